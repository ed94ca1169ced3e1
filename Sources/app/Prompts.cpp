#include "app/Prompts.h"
#include "link/PortUse.h"

namespace Prompts
{
namespace
{
juce::MessageBoxIconType toJuce (Icon icon)
{
    switch (icon)
    {
        case Icon::info: return juce::MessageBoxIconType::InfoIcon;
        case Icon::warning: return juce::MessageBoxIconType::WarningIcon;
        case Icon::question: return juce::MessageBoxIconType::QuestionIcon;
    }
    return juce::MessageBoxIconType::NoIcon;
}

JuceResponder& juceResponder()
{
    static JuceResponder responder;
    return responder;
}

Responder* installed = nullptr;
} // namespace

// ---------------------------------------------------------------------------------------------
void JuceResponder::message (Icon icon, const juce::String& title, const juce::String& text)
{
    juce::NativeMessageBox::showMessageBox (toJuce (icon), title, text);
}

bool JuceResponder::okCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return juce::NativeMessageBox::showOkCancelBox (toJuce (icon), title, text, nullptr, nullptr);
}

bool JuceResponder::alertOkCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return juce::AlertWindow::showOkCancelBox (toJuce (icon), title, text, {}, {}, nullptr, nullptr);
}

int JuceResponder::alertYesNoCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return juce::AlertWindow::showYesNoCancelBox (toJuce (icon), title, text, {}, {}, {}, nullptr, nullptr);
}

juce::Array<juce::File> JuceResponder::chooseFiles (const FileRequest& request)
{
    juce::FileChooser chooser (request.title, request.initialLocation, request.patterns, true);
    bool chosen = false;
    switch (request.kind)
    {
        case Kind::openFiles: chosen = chooser.browseForMultipleFilesToOpen(); break;
        case Kind::saveFile: chosen = chooser.browseForFileToSave (request.warnAboutOverwriting); break;
        case Kind::directory: chosen = chooser.browseForDirectory(); break;
        case Kind::openFile:
        default: chosen = chooser.browseForFileToOpen(); break;
    }
    if (! chosen)
        return {};
    return chooser.getResults();
}

void JuceResponder::editName (const juce::String& title, juce::String& text)
{
    juce::TextEditor editor;
    editor.setBounds (0, 0, 240, 120);
    editor.setText (text, false);
    juce::DialogWindow::showModalDialog (title, &editor, juce::TopLevelWindow::getTopLevelWindow (0),
                                         juce::Colours::black, true, false);
    text = editor.getText();
}

// ---------------------------------------------------------------------------------------------
juce::StringArray ScriptedResponder::titles() const
{
    juce::StringArray out;
    for (auto& p : mPrompts)
        out.add (p.title);
    return out;
}

void ScriptedResponder::record (Kind kind, Icon icon, const juce::String& title, const juce::String& text,
                                const juce::File& location)
{
    mPrompts.push_back ({ kind, icon, title, text, location });
    if (onPrompt)
        onPrompt (mPrompts.back());
}

int ScriptedResponder::nextChoice (int fallback)
{
    if (choices.empty())
        return fallback;
    const int c = choices.front();
    choices.pop_front();
    return c;
}

void ScriptedResponder::message (Icon icon, const juce::String& title, const juce::String& text)
{
    record (Kind::message, icon, title, text);
}

bool ScriptedResponder::okCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    record (Kind::okCancel, icon, title, text);
    return nextChoice (0) != 0;
}

bool ScriptedResponder::alertOkCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    record (Kind::alertOkCancel, icon, title, text);
    return nextChoice (0) != 0;
}

int ScriptedResponder::alertYesNoCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    record (Kind::alertYesNoCancel, icon, title, text);
    return nextChoice (cancel);
}

juce::Array<juce::File> ScriptedResponder::chooseFiles (const FileRequest& request)
{
    record (request.kind, Icon::question, request.title, request.patterns, request.initialLocation);
    if (files.empty())
        return {};
    auto f = files.front();
    files.pop_front();
    return f;
}

void ScriptedResponder::editName (const juce::String& title, juce::String& text)
{
    record (Kind::name, Icon::question, title, text);
    if (! names.empty())
    {
        text = names.front();
        names.pop_front();
    }
}

// ---------------------------------------------------------------------------------------------
ScopedResponder::ScopedResponder (Responder& responder) : mPrevious (installed)
{
    JUCE_ASSERT_MESSAGE_THREAD
    installed = &responder;
}

ScopedResponder::~ScopedResponder()
{
    installed = mPrevious;
}

Responder& current()
{
    return installed != nullptr ? *installed : static_cast<Responder&> (juceResponder());
}

// Once the application has been asked to quit nothing is asked or told any more: every
// question is cancelled, every chooser too, and a name stays as it is.
void message (Icon icon, const juce::String& title, const juce::String& text)
{
    if (! PortUse::quitting())
        current().message (icon, title, text);
}

bool okCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return ! PortUse::quitting() && current().okCancel (icon, title, text);
}

bool alertOkCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return ! PortUse::quitting() && current().alertOkCancel (icon, title, text);
}

int alertYesNoCancel (Icon icon, const juce::String& title, const juce::String& text)
{
    return PortUse::quitting() ? cancel : current().alertYesNoCancel (icon, title, text);
}

juce::Array<juce::File> chooseFiles (const FileRequest& request)
{
    return PortUse::quitting() ? juce::Array<juce::File>() : current().chooseFiles (request);
}

juce::File chooseFile (const FileRequest& request)
{
    auto chosen = chooseFiles (request);
    return chosen.isEmpty() ? juce::File() : chosen.getFirst();
}

void editName (const juce::String& title, juce::String& text)
{
    if (! PortUse::quitting())
        current().editName (title, text);
}
} // namespace Prompts
