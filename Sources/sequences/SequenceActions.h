#pragma once

#include "JuceIncludes.h"
#include "link/MidiPorts.h"
#include "sequences/SequenceFile.h"
#include <vector>

// What the Sequences page's three buttons do, once the dispatcher has let their action
// through: reset the instrument's six sequences to the factory set, load them from a sequence
// file, save them to one. Message thread; each holds the instrument's port across its boxes
// and choosers as a running port user.
namespace SequenceActions
{
/** After "Reset All Sequences" is confirmed, writes the six factory sequences. */
void factoryReset (MidiOutputPort* out);

/** Asks for a sequence file to open ("Load Sequences") and sends its sequences. */
void load (MidiOutputPort* out);

/** Asks for a file to save ("Save Sequences"), gives it the extension kdseq and saves the
    instrument's sequences to it. When the extension names another file than the one chosen
    and that file exists, asks first whether to replace it (Cancel saves nothing). */
void save (MidiOutputPort* out);

/** The factory sequences, index 0 to 5, each with exactly its own step count. */
const std::vector<std::vector<juce::uint8>>& factorySequences();
} // namespace SequenceActions
