// The test program of the engine and the effects: the whole suite runs once
// for every kernel target this processor can execute (best first), so that a
// machine with AVX-512 also runs the lanes of AVX2 and of the baseline, and
// every differential test judges each copy of every kernel.
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "engine/KernelTargets.h"

namespace {

class KernelTargetPerIteration : public testing::EmptyTestEventListener {
public:
    explicit KernelTargetPerIteration(std::vector<engine::KernelTarget> targets) : targets_(std::move(targets)) {}

    void OnTestIterationStart(const testing::UnitTest&, int iteration) override
    {
        const engine::KernelTarget target = targets_[static_cast<std::size_t>(iteration) % targets_.size()];
        engine::setKernelTarget(target);
        const std::string_view name = engine::kernelTargetName(target);
        std::printf("[ KERNELS  ] %.*s\n", static_cast<int>(name.size()), name.data());
    }

    void OnTestIterationEnd(const testing::UnitTest&, int) override { engine::resetKernelTarget(); }

private:
    std::vector<engine::KernelTarget> targets_;
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const std::vector<engine::KernelTarget> targets = engine::supportedKernelTargets();
    // Each repetition the caller asks for covers every target.
    const int repeat = GTEST_FLAG_GET(repeat);
    if (repeat > 0) {
        GTEST_FLAG_SET(repeat, repeat * static_cast<int>(targets.size()));
    }
    testing::UnitTest::GetInstance()->listeners().Append(new KernelTargetPerIteration(targets));
    return RUN_ALL_TESTS();
}
