#pragma once

/** What the editor window is built for: the connected model, or no instrument at all. */
enum DorvoType
{
    KelaArp = 0,      // KelaDorvo: Configuration and Firmware Update
    KelaSE = 1,       // KelaDorvo SE: Configuration, Firmware Update and Sequences
    Reserved = 2,     // never produced; builds no tab
    NotConnected = 3  // the not-connected page; also the state of a new editor window
};
