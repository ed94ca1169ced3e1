#pragma once

#include "TestSupport.h"
#include "app/Prompts.h"
#include "simulator/SimulatedInstrument.h"

namespace apptest
{
inline sim::SimulatedInstrument::Options instrumentOptions (sim::Model model,
                                                            std::array<juce::uint8, 4> firmware = { 1, 0, 3, 0 })
{
    sim::SimulatedInstrument::Options options;
    options.model = model;
    options.firmware = firmware;
    return options;
}

/** The device messages the instrument received with command byte 8 = command, as
    (command, value) pairs of bytes 8 and 9. */
inline std::vector<std::pair<int, int>> setsReceived (const sim::SimulatedInstrument& instrument)
{
    std::vector<std::pair<int, int>> out;
    for (auto& m : instrument.received())
        if (m.size() == 11 && m[0] == 0xF0)
            out.emplace_back (m[8], m[9]);
    return out;
}
} // namespace apptest
