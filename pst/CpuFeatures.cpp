// The processor checks, made once per process.
#include "pst/CpuFeatures.h"

namespace mailferry::pst {

bool hasCarrylessMultiply() {
#ifdef MAILFERRY_X86_64_VECTORS
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return has;
#else
  return false;
#endif
}

bool hasByteVectorPermutes() {
#ifdef MAILFERRY_X86_64_VECTORS
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi");
  return has;
#else
  return false;
#endif
}

bool hasByteCompress() {
#ifdef MAILFERRY_X86_64_VECTORS
  static const bool has = hasByteVectorPermutes() && __builtin_cpu_supports("avx512vbmi2");
  return has;
#else
  return false;
#endif
}

}  // namespace mailferry::pst
