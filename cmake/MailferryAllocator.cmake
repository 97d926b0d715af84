# The allocator the programs run on. glibc's malloc slows down as a run's long-lived records
# (millions of block records, the allocation maps) interleave with each message's short-lived
# objects: a 100,000-message run spent 12% of its samples in _int_malloc against 4% for
# 10,000 messages, and took 21-27 s. Linked with mimalloc it took 16.3-16.4 s, the
# 10,000-message run unchanged. The sanitizers and the fuzzer bring allocators of their own,
# and on Windows mimalloc would need its redirection DLL, so there the system's one stays.
option(MAILFERRY_MIMALLOC "Link the programs with the mimalloc allocator when it is found" ON)

set(mailferry_allocator_found OFF)
if(MAILFERRY_MIMALLOC AND NOT MAILFERRY_SANITIZE AND NOT MAILFERRY_FUZZ AND NOT WIN32)
  find_package(mimalloc 2.0 CONFIG QUIET)
  if(TARGET mimalloc)
    set(mailferry_allocator_found ON)
  else()
    message(STATUS "mimalloc not found: the programs use the system's allocator")
  endif()
endif()

# Links `target`, a program, with the allocator. The library replaces malloc for the whole
# process (GMime's and Qt's allocations too) by being loaded before the C library, so it is
# linked even though no symbol of it is named.
function(mailferry_use_allocator target)
  if(mailferry_allocator_found)
    target_link_libraries(${target} PRIVATE -Wl,--push-state,--no-as-needed mimalloc
                                            -Wl,--pop-state)
  endif()
endfunction()
