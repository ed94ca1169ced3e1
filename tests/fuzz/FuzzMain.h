#pragma once

// libFuzzer's entry points for one target of FuzzTargets.h: its start hook (which also
// answers --make-seeds DIR) and its test of one input.
#include "fuzz/FuzzTargets.h"

#define DORVO_FUZZ_TARGET(targetName)                                                             \
    extern "C" int LLVMFuzzerInitialize (int* argc, char*** argv)                                 \
    {                                                                                             \
        return fuzz::initialise (targetName, argc, argv);                                         \
    }                                                                                             \
    extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)            \
    {                                                                                             \
        static const auto* const target = fuzz::findTarget (targetName);                          \
        target->run (data, size);                                                                 \
        return 0;                                                                                 \
    }
