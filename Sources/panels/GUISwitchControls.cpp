#include "panels/GUISwitchControls.h"
#include "ActionCodes.h"

namespace
{
using Description = GUISwitchControl::Description;
using Rule = GUISwitchControl::ClickRule;
constexpr auto low = GUISwitchControl::low;
constexpr auto center = GUISwitchControl::center;
constexpr auto high = GUISwitchControl::high;

template <class Control>
std::array<EmbeddedPicture, 3> lowCenterHigh()
{
    return { { { &Control::toggleSwith3_low_png, &Control::toggleSwith3_low_pngSize },
               { &Control::toggleSwith3_center_png, &Control::toggleSwith3_center_pngSize },
               { &Control::toggleSwith3_high_png, &Control::toggleSwith3_high_pngSize } } };
}

template <class Control>
std::array<EmbeddedPicture, 3> lowHigh()
{
    return { { { &Control::toggleSwith3_low_png, &Control::toggleSwith3_low_pngSize },
               {},
               { &Control::toggleSwith3_high_png, &Control::toggleSwith3_high_pngSize } } };
}

// Value sets and pictures shared by several members.
constexpr std::array<GUISwitchControl::Mapping, 3> highCenterLow { { { 0, high }, { 1, center }, { 2, low } } };
constexpr std::array<GUISwitchControl::Mapping, 3> offLowOnHigh { { { 0, low }, { 1, high } } };

constexpr const char* newButton = "new button";

// Each member's data, kept for the life of the program (the base refers to it).
template <class Control>
const Description& kept (const Description& d)
{
    static const Description data = d;
    return data;
}
} // namespace

// --------------------------------------------------------------------------------------------
// Member data: action code, click rule, own size, initial value, button name and text,
// pictures, value -> picture.

GUIAftertouchSelector::GUIAftertouchSelector()
    : GUISwitchControl (kept<GUIAftertouchSelector> ({ ActionCode::aftertouchCurve, Rule::cycleOfThree, 34, 76, 0, newButton, nullptr,
                          lowCenterHigh<GUIAftertouchSelector>(), highCenterLow, 3 }))
{
}
void GUIAftertouchSelector::setCurb (int value) { store (value); }

GUIInputGain::GUIInputGain()
    : GUISwitchControl (kept<GUIInputGain> ({ ActionCode::inputGain, Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                          lowCenterHigh<GUIInputGain>(), highCenterLow, 3 }))
{
}
void GUIInputGain::setAudioGateThreshold (int value) { store (value); }

GUIKeyboard::GUIKeyboard()
    : GUISwitchControl (kept<GUIKeyboard> ({ ActionCode::keyboardMode, Rule::cycleOfThree, 29, 65, 0, "Mode", newButton,
                          lowCenterHigh<GUIKeyboard>(),
                          { { { 0, center }, { 1, low }, { 2, high } } }, 3 }))
{
}
void GUIKeyboard::setMode (int value) { store (value); }

GUILFO::GUILFO()
    : GUISwitchControl (kept<GUILFO> ({ ActionCode::lfoRetrig, Rule::toggle, 29, 65, 0, newButton, nullptr,
                          lowHigh<GUILFO>(), offLowOnHigh, 2 }))
{
}
void GUILFO::setRetrig (bool value) { store (value ? 1 : 0); }

GUIVelocitySelector::GUIVelocitySelector()
    : GUISwitchControl (kept<GUIVelocitySelector> ({ ActionCode::velocityCurve, Rule::cycleOfThree, 34, 76, 0, newButton, nullptr,
                          lowCenterHigh<GUIVelocitySelector>(), highCenterLow, 3 }))
{
}
void GUIVelocitySelector::setCurb (int value) { store (value); }

GUIArpHold::GUIArpHold()
    : GUISwitchControl (kept<GUIArpHold> ({ ActionCode::arpHold, Rule::toggle, 34, 76, 0, newButton, nullptr,
                          lowHigh<GUIArpHold>(), offLowOnHigh, 2 }))
{
}
void GUIArpHold::setArpHold (bool value) { store (value ? 1 : 0); }

GUITapAvg::GUITapAvg()
    : GUISwitchControl (kept<GUITapAvg> ({ ActionCode::tapAverage, Rule::tapRule, 34, 76, 0, newButton, nullptr,
                          lowCenterHigh<GUITapAvg>(),
                          { { { 0, high }, { 1, low } } }, 2 }))
{
}
void GUITapAvg::setTapAvg (int value) { store (value); }

GUIGateLen::GUIGateLen()
    : GUISwitchControl (kept<GUIGateLen> ({ ActionCode::gateLength, Rule::gateRule, 34, 76, 1, newButton, nullptr,
                          lowCenterHigh<GUIGateLen>(),
                          { { { 1, high }, { 2, center }, { 3, low } } }, 3 }))
{
}
void GUIGateLen::setGateLen (int value) { store (value); }

GUIClkSyncSliding3p::GUIClkSyncSliding3p()
    : GUISwitchControl (kept<GUIClkSyncSliding3p> ({ ActionCode::clockSync, Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                          lowCenterHigh<GUIClkSyncSliding3p>(),
                          { { { 0, low }, { 1, center }, { 2, high } } }, 3 }))
{
}
void GUIClkSyncSliding3p::setState (int value) { store (value); }

GUISeqNextSeq::GUISeqNextSeq()
    : GUISwitchControl (kept<GUISeqNextSeq> ({ ActionCode::seqNextSeq, Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                          lowCenterHigh<GUISeqNextSeq>(), highCenterLow, 3 }))
{
}
void GUISeqNextSeq::setState (int value) { store (value); }

GUISeqPlayMode::GUISeqPlayMode()
    : GUISwitchControl (kept<GUISeqPlayMode> ({ ActionCode::seqPlayMode, Rule::toggle, 29, 65, 0, newButton, nullptr,
                          lowHigh<GUISeqPlayMode>(), offLowOnHigh, 2 }))
{
}
void GUISeqPlayMode::setState (bool value) { store (value ? 1 : 0); }

GUISeqRetrig::GUISeqRetrig()
    : GUISwitchControl (kept<GUISeqRetrig> ({ ActionCode::seqRetrig, Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                          lowCenterHigh<GUISeqRetrig>(), highCenterLow, 3 }))
{
}
void GUISeqRetrig::setSeqRetrig (int value) { store (value); }

GUIStepSizeSliding3p::GUIStepSizeSliding3p()
    : GUISwitchControl (kept<GUIStepSizeSliding3p> ({ ActionCode::stepSize, Rule::doublingRule, 29, 65, 16, newButton, nullptr,
                          lowCenterHigh<GUIStepSizeSliding3p>(),
                          { { { 4, low }, { 8, center }, { 16, high } } }, 3 }))
{
}
void GUIStepSizeSliding3p::setState (int value) { store (value); }

GUILegato::GUILegato()
    : GUISwitchControl (kept<GUILegato> ({ ActionCode::legato, Rule::toggle, 29, 65, 0, "Mode", newButton,
                          lowCenterHigh<GUILegato>(), offLowOnHigh, 2 }))
{
}
void GUILegato::setLegato (bool value) { store (value ? 1 : 0); }
