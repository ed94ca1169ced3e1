#pragma once

#include "JuceIncludes.h"
#include <deque>
#include <functional>
#include <vector>

// Every question and notice the application puts to the user goes through here: message
// boxes, OK/Cancel and Yes/No/Cancel questions, file choosers and the name dialog. The
// application shows JUCE's own boxes; tests install a responder that answers from a script
// and records what was asked. All calls are made on the message thread and block until
// answered (the boxes run nested message loops).

namespace Prompts
{
enum class Icon
{
    info,
    warning,
    question
};

enum class Kind
{
    message,            // juce::NativeMessageBox::showMessageBox
    okCancel,           // juce::NativeMessageBox::showOkCancelBox
    alertOkCancel,      // juce::AlertWindow::showOkCancelBox
    alertYesNoCancel,   // juce::AlertWindow::showYesNoCancelBox
    openFile,           // juce::FileChooser::browseForFileToOpen
    openFiles,          // juce::FileChooser::browseForMultipleFilesToOpen
    saveFile,           // juce::FileChooser::browseForFileToSave
    directory,          // juce::FileChooser::browseForDirectory
    name                // juce::DialogWindow::showModalDialog with a text editor
};

/** Answers of alertYesNoCancel, as JUCE numbers them. */
enum YesNoCancel
{
    cancel = 0,
    yes = 1,
    no = 2
};

/** What a file chooser is asked for. */
struct FileRequest
{
    Kind kind = Kind::openFile;       // openFile, openFiles, saveFile or directory
    juce::String title;
    juce::File initialLocation;
    juce::String patterns;            // e.g. "*.kdseq"
    bool warnAboutOverwriting = false; // saveFile only
};

class Responder
{
public:
    virtual ~Responder() = default;

    virtual void message (Icon icon, const juce::String& title, const juce::String& text) = 0;
    virtual bool okCancel (Icon icon, const juce::String& title, const juce::String& text) = 0;
    virtual bool alertOkCancel (Icon icon, const juce::String& title, const juce::String& text) = 0;
    virtual int alertYesNoCancel (Icon icon, const juce::String& title, const juce::String& text) = 0;
    /** The chosen files; empty when the user cancels. */
    virtual juce::Array<juce::File> chooseFiles (const FileRequest& request) = 0;
    /** Shows text for editing; closing the dialog confirms what it holds. */
    virtual void editName (const juce::String& title, juce::String& text) = 0;
};

/** JUCE's boxes, choosers and dialog window. */
class JuceResponder : public Responder
{
public:
    void message (Icon, const juce::String&, const juce::String&) override;
    bool okCancel (Icon, const juce::String&, const juce::String&) override;
    bool alertOkCancel (Icon, const juce::String&, const juce::String&) override;
    int alertYesNoCancel (Icon, const juce::String&, const juce::String&) override;
    juce::Array<juce::File> chooseFiles (const FileRequest&) override;
    void editName (const juce::String&, juce::String&) override;
};

/** Answers from a script and records every prompt. Without a scripted answer a question is
    cancelled, a chooser cancelled and a name left as it is, so an unscripted question can
    never loop for ever. */
class ScriptedResponder : public Responder
{
public:
    struct Prompt
    {
        Kind kind;
        Icon icon;
        juce::String title;
        juce::String text;   // for choosers the patterns, for the name dialog the text shown
        juce::File location; // for choosers the initial location
    };

    /** Answers for okCancel / alertOkCancel (non-zero: OK) and alertYesNoCancel, in order. */
    std::deque<int> choices;
    std::deque<juce::Array<juce::File>> files;
    std::deque<juce::String> names;
    /** Called with each prompt as it is shown, before it is answered. */
    std::function<void (const Prompt&)> onPrompt;

    std::vector<Prompt> prompts() const { return mPrompts; }
    void clear() { mPrompts.clear(); }
    /** The titles of the prompts shown, in order. */
    juce::StringArray titles() const;

    void message (Icon, const juce::String&, const juce::String&) override;
    bool okCancel (Icon, const juce::String&, const juce::String&) override;
    bool alertOkCancel (Icon, const juce::String&, const juce::String&) override;
    int alertYesNoCancel (Icon, const juce::String&, const juce::String&) override;
    juce::Array<juce::File> chooseFiles (const FileRequest&) override;
    void editName (const juce::String&, juce::String&) override;

private:
    void record (Kind, Icon, const juce::String&, const juce::String&, const juce::File& = {});
    int nextChoice (int fallback);
    std::vector<Prompt> mPrompts;
};

/** Puts a responder in place for its lifetime (the previous one comes back afterwards). */
class ScopedResponder
{
public:
    explicit ScopedResponder (Responder& responder);
    ~ScopedResponder();
    ScopedResponder (const ScopedResponder&) = delete;
    ScopedResponder& operator= (const ScopedResponder&) = delete;

private:
    Responder* mPrevious;
};

Responder& current();

// The calls the system makes.
void message (Icon icon, const juce::String& title, const juce::String& text);
bool okCancel (Icon icon, const juce::String& title, const juce::String& text);
bool alertOkCancel (Icon icon, const juce::String& title, const juce::String& text);
int alertYesNoCancel (Icon icon, const juce::String& title, const juce::String& text);
juce::Array<juce::File> chooseFiles (const FileRequest& request);
/** One file, or an empty juce::File when the user cancels. */
juce::File chooseFile (const FileRequest& request);
void editName (const juce::String& title, juce::String& text);
} // namespace Prompts
