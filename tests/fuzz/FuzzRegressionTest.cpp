// The fuzz targets in the normal suite: every input kept under tests/fuzz/corpus (the seeds
// and, under regressions/, every input that ever crashed, hung or broke an oracle) goes
// through its target's body once more, in every build. A failing input ends the test binary
// with the oracle's message, as it ends the fuzzer.
#include "fuzz/FuzzTargets.h"
#include "TestSupport.h"

namespace
{
juce::File corpusOf (const fuzz::Target& target)
{
    return juce::File (DORVO_SOURCE_DIR).getChildFile ("tests/fuzz/corpus").getChildFile (target.name);
}

struct FuzzCorpus : ::testing::TestWithParam<std::string>
{
    const fuzz::Target& target() const { return *fuzz::findTarget (GetParam().c_str()); }
};

std::vector<std::string> targetNames()
{
    std::vector<std::string> all;
    for (auto& t : fuzz::targets())
        all.push_back (t.name);
    return all;
}
} // namespace

TEST_P (FuzzCorpus, EveryKeptInputPassesItsTarget)
{
    const auto& target = this->target();
    const auto files = corpusOf (target).findChildFiles (juce::File::findFiles, true);
    ASSERT_FALSE (files.isEmpty()) << "no corpus for " << target.name;
    for (auto& file : files)
    {
        juce::MemoryBlock input;
        ASSERT_TRUE (file.loadFileAsData (input)) << file.getFullPathName();
        SCOPED_TRACE (file.getFullPathName().toStdString());
        target.run (static_cast<const std::uint8_t*> (input.getData()), input.getSize());
    }
}

// The seeds in the repository are exactly what the target's own --make-seeds writes: no input
// without its source.
TEST_P (FuzzCorpus, SeedsAreTheTargetsOwn)
{
    const auto& target = this->target();
    for (auto& seed : target.seeds())
    {
        const auto file = corpusOf (target).getChildFile (seed.name);
        juce::MemoryBlock kept;
        ASSERT_TRUE (file.loadFileAsData (kept)) << file.getFullPathName() << " is missing: run the target with --make-seeds";
        EXPECT_EQ (fuzz::Bytes (static_cast<const std::uint8_t*> (kept.getData()),
                                static_cast<const std::uint8_t*> (kept.getData()) + kept.getSize()),
                   seed.bytes)
            << file.getFullPathName() << " differs from its source";
    }
}

INSTANTIATE_TEST_SUITE_P (Targets, FuzzCorpus, ::testing::ValuesIn (targetNames()),
                          [] (const ::testing::TestParamInfo<std::string>& info) { return info.param; });
