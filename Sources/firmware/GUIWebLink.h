#pragma once

#include "firmware/GUIPushButton.h"

/** A push button that opens one model's product resource page in the default browser.
    It never broadcasts anything; with no browser available a click changes nothing. */
class GUIWebLinkButton : public GUIPushButton
{
public:
    GUIWebLinkButton (const Pictures& pictures, const char* address);

    const juce::String& getAddress() const noexcept { return mAddress; }

    /** Replaces the way an address is opened (tests use this; the default launches the browser). */
    static void setLauncherForTesting (std::function<bool (const juce::URL&)> launcher);

protected:
    void clicked() override;

private:
    juce::String mAddress;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIWebLinkButton)
};

/** TavinDorvo's web link (its page is never built). */
class GUIWebLink : public GUIWebLinkButton
{
public:
    GUIWebLink();
    DORVO_PUSH_BUTTON_PICTURES
};

/** KelaDorvo's web link. */
class GUIWebLink_Kela : public GUIWebLinkButton
{
public:
    GUIWebLink_Kela();
    DORVO_PUSH_BUTTON_PICTURES
};

/** KelaDorvo SE's web link. */
class GUIWebLink_KelaSE : public GUIWebLinkButton
{
public:
    GUIWebLink_KelaSE();
    DORVO_PUSH_BUTTON_PICTURES
};
