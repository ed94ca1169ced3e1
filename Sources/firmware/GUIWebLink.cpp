#include "firmware/GUIWebLink.h"
#include "firmware/GUIWebLinkAddresses.h"

namespace
{
std::function<bool (const juce::URL&)>& launcher()
{
    static std::function<bool (const juce::URL&)> l;
    return l;
}
} // namespace

GUIWebLinkButton::GUIWebLinkButton (const Pictures& pictures, const char* address)
    : GUIPushButton (pictures), mAddress (address)
{
}

void GUIWebLinkButton::setLauncherForTesting (std::function<bool (const juce::URL&)> l)
{
    launcher() = std::move (l);
}

void GUIWebLinkButton::clicked()
{
    const juce::URL url (mAddress);
    // Whether a browser opened makes no difference to the application.
    if (launcher())
        (void) launcher() (url);
    else
        (void) url.launchInDefaultBrowser();
}

GUIWebLink::GUIWebLink()
    : GUIWebLinkButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUIWebLink, 0x00ffffff), weblinks::tavinDorvo)
{
}

GUIWebLink_Kela::GUIWebLink_Kela()
    : GUIWebLinkButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUIWebLink_Kela, 0x00ffffff), weblinks::kelaDorvo)
{
}

GUIWebLink_KelaSE::GUIWebLink_KelaSE()
    : GUIWebLinkButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUIWebLink_KelaSE, 0x00ffffff), weblinks::kelaDorvoSE)
{
}
