// What the processor offers beyond the baseline, for the few loops that run over every byte
// of a conversion (the block CRC and encoding, base64 decoding). Each is checked once; on
// other architectures and compilers there is nothing to check and the portable loops serve.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MAILFERRY_X86_64_VECTORS 1
// Functions that use AVX-512 byte permutes; call them only when hasByteVectorPermutes().
#define MAILFERRY_TARGET_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))
// Functions that also use AVX-512 byte compression; call them only when hasByteCompress().
#define MAILFERRY_TARGET_VBMI2 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2")))
// Functions that use carry-less multiplication; call them only when hasCarrylessMultiply().
#define MAILFERRY_TARGET_CLMUL __attribute__((target("pclmul,sse4.1")))
#endif

namespace mailferry::pst {

// PCLMULQDQ with SSE4.1.
bool hasCarrylessMultiply();
// AVX-512 F, BW and VBMI.
bool hasByteVectorPermutes();
// The same and AVX-512 VBMI2.
bool hasByteCompress();

}  // namespace mailferry::pst
