// The instruction sets the pixel kernels are compiled for. A kernel is one
// source: a plain loop written once and compiled once per target below, the
// compiler vectorising it for that target's registers. Every copy performs
// the same integer and IEEE double operations in the same order per lane (no
// fused multiply-add is enabled anywhere), so all give the same bytes. The
// best target the processor runs is used unless a test or a benchmark forces
// another with setKernelTarget.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

enum class KernelTarget { Baseline, Avx2, Avx512 };

// The targets this processor runs, best first; Baseline always.
std::vector<KernelTarget> supportedKernelTargets();

// The target the kernels use now.
KernelTarget kernelTarget();

// Forces the kernels onto `target`, which must be one of
// supportedKernelTargets(); call it between operations, never during one.
void setKernelTarget(KernelTarget target);

// Back to the best target the processor runs.
void resetKernelTarget();

std::string_view kernelTargetName(KernelTarget target);

// The target this processor runs whose short name is `name` ("avx512",
// "avx2" or "baseline"); none for another name or a target it cannot run.
std::optional<KernelTarget> supportedKernelTargetNamed(std::string_view name);

} // namespace engine

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FOTRA_KERNEL_TARGETS_X86 1
#define FOTRA_TARGET_AVX2 __attribute__((target("avx2")))
#define FOTRA_TARGET_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512dq,avx512vl")))
#else
#define FOTRA_KERNEL_TARGETS_X86 0
#define FOTRA_TARGET_AVX2
#define FOTRA_TARGET_AVX512
#endif

// The kernel `name` itself: calls the copy name##OnTarget of the target the
// kernels use now.
#define FOTRA_KERNEL_DISPATCH(name)                                                                           \
    template <typename... Args>                                                                               \
    decltype(auto) name(Args&&... args)                                                                       \
    {                                                                                                         \
        switch (engine::kernelTarget()) {                                                                     \
        case engine::KernelTarget::Avx512:                                                                    \
            return name##OnAvx512(std::forward<Args>(args)...);                                               \
        case engine::KernelTarget::Avx2:                                                                      \
            return name##OnAvx2(std::forward<Args>(args)...);                                                 \
        case engine::KernelTarget::Baseline:                                                                  \
            break;                                                                                            \
        }                                                                                                     \
        return name##OnBaseline(std::forward<Args>(args)...);                                                 \
    }

// Defines the kernel `name`, which calls `body` (an always-inline function
// holding the loop) compiled for the target the kernels use now. The copies
// are templates over the arguments so that any signature passes through.
#define FOTRA_KERNEL(name, body)                                                                              \
    template <typename... Args>                                                                               \
    FOTRA_TARGET_AVX512 decltype(auto) name##OnAvx512(Args&&... args)                                         \
    {                                                                                                         \
        return body(std::forward<Args>(args)...);                                                             \
    }                                                                                                         \
    template <typename... Args>                                                                               \
    FOTRA_TARGET_AVX2 decltype(auto) name##OnAvx2(Args&&... args)                                             \
    {                                                                                                         \
        return body(std::forward<Args>(args)...);                                                             \
    }                                                                                                         \
    template <typename... Args>                                                                               \
    decltype(auto) name##OnBaseline(Args&&... args)                                                          \
    {                                                                                                         \
        return body(std::forward<Args>(args)...);                                                             \
    }                                                                                                         \
    FOTRA_KERNEL_DISPATCH(name)

// Defines the kernel `name` like FOTRA_KERNEL for a body templated on the
// vector width in bytes, `body<Width>`: each target's copy works on vectors
// of its own registers' width (64, 32 or 16 bytes), since the compiler splits
// wider generic vectors badly (byte by byte for compares). The lane logic is
// the same for every width.
#define FOTRA_WIDTH_KERNEL(name, body)                                                                        \
    template <typename... Args>                                                                               \
    FOTRA_TARGET_AVX512 decltype(auto) name##OnAvx512(Args&&... args)                                         \
    {                                                                                                         \
        return body<64>(std::forward<Args>(args)...);                                                         \
    }                                                                                                         \
    template <typename... Args>                                                                               \
    FOTRA_TARGET_AVX2 decltype(auto) name##OnAvx2(Args&&... args)                                             \
    {                                                                                                         \
        return body<32>(std::forward<Args>(args)...);                                                         \
    }                                                                                                         \
    template <typename... Args>                                                                               \
    decltype(auto) name##OnBaseline(Args&&... args)                                                          \
    {                                                                                                         \
        return body<16>(std::forward<Args>(args)...);                                                         \
    }                                                                                                         \
    FOTRA_KERNEL_DISPATCH(name)
