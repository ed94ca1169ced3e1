#pragma once

// The 17 frames of the turning knob (frame 1 lower left, frame 17 lower right), which every
// knob control embeds in a copy of its own.

#include "panels/GUISwitchControl.h"

#define DORVO_KNOB_FRAME_MEMBER(n)                                                             \
    static const char* knob17##n##_png;                                                        \
    static const int knob17##n##_pngSize;

#define DORVO_KNOB_FRAME_MEMBERS                                                               \
    DORVO_KNOB_FRAME_MEMBER (1) DORVO_KNOB_FRAME_MEMBER (2) DORVO_KNOB_FRAME_MEMBER (3)        \
    DORVO_KNOB_FRAME_MEMBER (4) DORVO_KNOB_FRAME_MEMBER (5) DORVO_KNOB_FRAME_MEMBER (6)        \
    DORVO_KNOB_FRAME_MEMBER (7) DORVO_KNOB_FRAME_MEMBER (8) DORVO_KNOB_FRAME_MEMBER (9)        \
    DORVO_KNOB_FRAME_MEMBER (10) DORVO_KNOB_FRAME_MEMBER (11) DORVO_KNOB_FRAME_MEMBER (12)     \
    DORVO_KNOB_FRAME_MEMBER (13) DORVO_KNOB_FRAME_MEMBER (14) DORVO_KNOB_FRAME_MEMBER (15)     \
    DORVO_KNOB_FRAME_MEMBER (16) DORVO_KNOB_FRAME_MEMBER (17)

using KnobFrames = std::array<EmbeddedPicture, 17>;

/** A class's own 17 frames, index 0 being frame 1. */
template <class Control>
KnobFrames knobFramesOf()
{
#define DORVO_KNOB_FRAME_ENTRY(n) EmbeddedPicture { &Control::knob17##n##_png, &Control::knob17##n##_pngSize }
    return { { DORVO_KNOB_FRAME_ENTRY (1), DORVO_KNOB_FRAME_ENTRY (2), DORVO_KNOB_FRAME_ENTRY (3),
               DORVO_KNOB_FRAME_ENTRY (4), DORVO_KNOB_FRAME_ENTRY (5), DORVO_KNOB_FRAME_ENTRY (6),
               DORVO_KNOB_FRAME_ENTRY (7), DORVO_KNOB_FRAME_ENTRY (8), DORVO_KNOB_FRAME_ENTRY (9),
               DORVO_KNOB_FRAME_ENTRY (10), DORVO_KNOB_FRAME_ENTRY (11), DORVO_KNOB_FRAME_ENTRY (12),
               DORVO_KNOB_FRAME_ENTRY (13), DORVO_KNOB_FRAME_ENTRY (14), DORVO_KNOB_FRAME_ENTRY (15),
               DORVO_KNOB_FRAME_ENTRY (16), DORVO_KNOB_FRAME_ENTRY (17) } };
#undef DORVO_KNOB_FRAME_ENTRY
}
