#include "engine/KernelTargets.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace engine {

namespace {

std::vector<KernelTarget> detectTargets()
{
    std::vector<KernelTarget> targets;
#if FOTRA_KERNEL_TARGETS_X86
    // The processor's features as the system enables them (the wide
    // registers must also be saved on a thread switch).
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")) {
        targets.push_back(KernelTarget::Avx512);
    }
    if (__builtin_cpu_supports("avx2")) {
        targets.push_back(KernelTarget::Avx2);
    }
#endif
    targets.push_back(KernelTarget::Baseline);
    return targets;
}

const std::vector<KernelTarget>& supported()
{
    static const std::vector<KernelTarget> targets = detectTargets();
    return targets;
}

std::atomic<KernelTarget>& chosen()
{
    static std::atomic<KernelTarget> target{supported().front()};
    return target;
}

} // namespace

std::vector<KernelTarget> supportedKernelTargets()
{
    return supported();
}

KernelTarget kernelTarget()
{
    return chosen().load(std::memory_order_relaxed);
}

void setKernelTarget(KernelTarget target)
{
    if (std::find(supported().begin(), supported().end(), target) == supported().end()) {
        throw std::invalid_argument("this processor cannot run the kernels of that instruction set");
    }
    chosen().store(target, std::memory_order_relaxed);
}

void resetKernelTarget()
{
    chosen().store(supported().front(), std::memory_order_relaxed);
}

std::string_view kernelTargetName(KernelTarget target)
{
    switch (target) {
    case KernelTarget::Avx512:
        return "AVX-512";
    case KernelTarget::Avx2:
        return "AVX2";
    case KernelTarget::Baseline:
        break;
    }
    return "baseline";
}

std::optional<KernelTarget> supportedKernelTargetNamed(std::string_view name)
{
    const auto named = [&](KernelTarget target) {
        switch (target) {
        case KernelTarget::Avx512:
            return name == "avx512";
        case KernelTarget::Avx2:
            return name == "avx2";
        case KernelTarget::Baseline:
            break;
        }
        return name == "baseline";
    };
    const auto found = std::find_if(supported().begin(), supported().end(), named);
    return found == supported().end() ? std::nullopt : std::optional<KernelTarget>(*found);
}

} // namespace engine
