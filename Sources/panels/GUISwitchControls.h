#pragma once

// The slide-switch controls of the Configuration pages. Each is a GUISwitchControl with its own
// data (GUISwitchControls.cpp) and its own copies of the switch pictures.

#include "panels/GUISwitchControl.h"

// The static members through which a class reaches its own copy of the switch pictures.
#define DORVO_SWITCH_PICTURES_LOW_HIGH                                                         \
    static const char* toggleSwith3_low_png;                                                   \
    static const int toggleSwith3_low_pngSize;                                                 \
    static const char* toggleSwith3_high_png;                                                  \
    static const int toggleSwith3_high_pngSize;

#define DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH                                                  \
    DORVO_SWITCH_PICTURES_LOW_HIGH                                                             \
    static const char* toggleSwith3_center_png;                                                \
    static const int toggleSwith3_center_pngSize;

class GUIAftertouchSelector : public GUISwitchControl
{
public:
    GUIAftertouchSelector();
    void setCurb (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIInputGain : public GUISwitchControl
{
public:
    GUIInputGain();
    void setAudioGateThreshold (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIKeyboard : public GUISwitchControl
{
public:
    GUIKeyboard();
    void setMode (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUILFO : public GUISwitchControl
{
public:
    GUILFO();
    void setRetrig (bool value);
    DORVO_SWITCH_PICTURES_LOW_HIGH
};

class GUIVelocitySelector : public GUISwitchControl
{
public:
    GUIVelocitySelector();
    void setCurb (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIArpHold : public GUISwitchControl
{
public:
    GUIArpHold();
    void setArpHold (bool value);
    DORVO_SWITCH_PICTURES_LOW_HIGH
};

class GUITapAvg : public GUISwitchControl
{
public:
    GUITapAvg();
    void setTapAvg (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIGateLen : public GUISwitchControl
{
public:
    GUIGateLen();
    void setGateLen (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIClkSyncSliding3p : public GUISwitchControl
{
public:
    GUIClkSyncSliding3p();
    void setState (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUISeqNextSeq : public GUISwitchControl
{
public:
    GUISeqNextSeq();
    void setState (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUISeqPlayMode : public GUISwitchControl
{
public:
    GUISeqPlayMode();
    void setState (bool value);
    DORVO_SWITCH_PICTURES_LOW_HIGH
};

class GUISeqRetrig : public GUISwitchControl
{
public:
    GUISeqRetrig();
    void setSeqRetrig (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUIStepSizeSliding3p : public GUISwitchControl
{
public:
    GUIStepSizeSliding3p();
    void setState (int value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};

class GUILegato : public GUISwitchControl
{
public:
    GUILegato();
    void setLegato (bool value);
    DORVO_SWITCH_PICTURES_LOW_CENTER_HIGH
};
