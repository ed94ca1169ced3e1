#include "panels/GUISwitchControls.h"

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
} // namespace

// --------------------------------------------------------------------------------------------
// Member data: action code, click rule, own size, initial value, button name and text,
// pictures, value -> picture.

GUIAftertouchSelector::GUIAftertouchSelector()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "AFTE ", Rule::cycleOfThree, 34, 76, 0, newButton, nullptr,
                                       lowCenterHigh<GUIAftertouchSelector>(), highCenterLow, 3 };
          return d;
      }())
{
}
void GUIAftertouchSelector::setCurb (int value) { store (value); }

GUIInputGain::GUIInputGain()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "INGN ", Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                                       lowCenterHigh<GUIInputGain>(), highCenterLow, 3 };
          return d;
      }())
{
}
void GUIInputGain::setAudioGateThreshold (int value) { store (value); }

GUIKeyboard::GUIKeyboard()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "MKEY ", Rule::cycleOfThree, 29, 65, 0, "Mode", newButton,
                                       lowCenterHigh<GUIKeyboard>(),
                                       { { { 0, center }, { 1, low }, { 2, high } } }, 3 };
          return d;
      }())
{
}
void GUIKeyboard::setMode (int value) { store (value); }

GUILFO::GUILFO()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "LFO  ", Rule::toggle, 29, 65, 0, newButton, nullptr,
                                       lowHigh<GUILFO>(), offLowOnHigh, 2 };
          return d;
      }())
{
}
void GUILFO::setRetrig (bool value) { store (value ? 1 : 0); }

GUIVelocitySelector::GUIVelocitySelector()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "VELO ", Rule::cycleOfThree, 34, 76, 0, newButton, nullptr,
                                       lowCenterHigh<GUIVelocitySelector>(), highCenterLow, 3 };
          return d;
      }())
{
}
void GUIVelocitySelector::setCurb (int value) { store (value); }

GUIArpHold::GUIArpHold()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "ARP  ", Rule::toggle, 34, 76, 0, newButton, nullptr,
                                       lowHigh<GUIArpHold>(), offLowOnHigh, 2 };
          return d;
      }())
{
}
void GUIArpHold::setArpHold (bool value) { store (value ? 1 : 0); }

GUITapAvg::GUITapAvg()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "TAP  ", Rule::tapRule, 34, 76, 0, newButton, nullptr,
                                       lowCenterHigh<GUITapAvg>(), { { { 0, high }, { 1, low } } }, 2 };
          return d;
      }())
{
}
void GUITapAvg::setTapAvg (int value) { store (value); }

GUIGateLen::GUIGateLen()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "GLEN ", Rule::gateRule, 34, 76, 1, newButton, nullptr,
                                       lowCenterHigh<GUIGateLen>(),
                                       { { { 1, high }, { 2, center }, { 3, low } } }, 3 };
          return d;
      }())
{
}
void GUIGateLen::setGateLen (int value) { store (value); }

GUIClkSyncSliding3p::GUIClkSyncSliding3p()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "SYNC ", Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                                       lowCenterHigh<GUIClkSyncSliding3p>(),
                                       { { { 0, low }, { 1, center }, { 2, high } } }, 3 };
          return d;
      }())
{
}
void GUIClkSyncSliding3p::setState (int value) { store (value); }

GUISeqNextSeq::GUISeqNextSeq()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "SQNS ", Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                                       lowCenterHigh<GUISeqNextSeq>(), highCenterLow, 3 };
          return d;
      }())
{
}
void GUISeqNextSeq::setState (int value) { store (value); }

GUISeqPlayMode::GUISeqPlayMode()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "SQPM ", Rule::toggle, 29, 65, 0, newButton, nullptr,
                                       lowHigh<GUISeqPlayMode>(), offLowOnHigh, 2 };
          return d;
      }())
{
}
void GUISeqPlayMode::setState (bool value) { store (value ? 1 : 0); }

GUISeqRetrig::GUISeqRetrig()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "RTRG ", Rule::cycleOfThree, 29, 65, 0, newButton, nullptr,
                                       lowCenterHigh<GUISeqRetrig>(), highCenterLow, 3 };
          return d;
      }())
{
}
void GUISeqRetrig::setSeqRetrig (int value) { store (value); }

GUIStepSizeSliding3p::GUIStepSizeSliding3p()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "STEP ", Rule::doublingRule, 29, 65, 16, newButton, nullptr,
                                       lowCenterHigh<GUIStepSizeSliding3p>(),
                                       { { { 4, low }, { 8, center }, { 16, high } } }, 3 };
          return d;
      }())
{
}
void GUIStepSizeSliding3p::setState (int value) { store (value); }

GUILegato::GUILegato()
    : GUISwitchControl ([]() -> const Description& {
          static const Description d { "LKEY ", Rule::toggle, 29, 65, 0, "Mode", newButton,
                                       lowCenterHigh<GUILegato>(), offLowOnHigh, 2 };
          return d;
      }())
{
}
void GUILegato::setLegato (bool value) { store (value ? 1 : 0); }
