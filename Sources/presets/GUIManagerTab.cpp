#include "presets/GUIManagerTab.h"
#include "ActionCodes.h"
#include "presets/PresetFolder.h"

namespace
{
juce::ImageButton* addImageButton (juce::Component& page, juce::Button::Listener* listener)
{
    auto* button = new juce::ImageButton (juce::String());
    page.addAndMakeVisible (button);
    button->addListener (listener);
    return button;
}

/** The picture in every state; the arrows have no overlay, the file buttons turn red under the mouse. */
void setPicture (juce::ImageButton& button, const char* data, int size, bool hoverTint)
{
    const auto image = juce::ImageCache::getFromMemory (data, size);
    const juce::Colour clear (0x00000000);
    if (hoverTint)
        button.setImages (false, true, true,
                          image, 1.0f, clear,
                          image, 1.0f, juce::Colour (0x54ff0000),
                          image, 1.0f, clear,
                          0.0f);
    else
        button.setImages (false, true, true,
                          image, 1.0f, clear,
                          juce::Image(), 1.0f, clear,
                          juce::Image(), 1.0f, clear,
                          0.0f);
}

template <class T>
void deleteChild (T*& field)
{
    delete field;
    field = nullptr;
}
} // namespace

GUIManagerTab::GUIManagerTab()
    : mDirectoryList (PresetFolder::get().getFullPathName(), "*.*")
{
    mComputerGroup = new juce::GroupComponent (juce::String(), "computer presets");
    addAndMakeVisible (mComputerGroup);
    mInstrumentGroup = new juce::GroupComponent (juce::String(), "kelaDorvo presets");
    addAndMakeVisible (mInstrumentGroup);
    mPresetList = new DraggableList (*mDirectoryList.mContents);
    addAndMakeVisible (mPresetList);

    mLeftArrowButton = addImageButton (*this, this);
    setPicture (*mLeftArrowButton, serig_kre_left_png, serig_kre_left_pngSize, false);
    mRightArrowButton = addImageButton (*this, this);
    setPicture (*mRightArrowButton, serig_kre_right_png, serig_kre_right_pngSize, false);
    mExportButton = addImageButton (*this, this);
    setPicture (*mExportButton, tb_export_up_png, tb_export_up_pngSize, true);
    mImportButton = addImageButton (*this, this);
    setPicture (*mImportButton, tb_import_up_png, tb_import_up_pngSize, true);
    mDeleteButton = addImageButton (*this, this);
    setPicture (*mDeleteButton, tb_delete_up_png, tb_delete_up_pngSize, true);
    mCopyButton = addImageButton (*this, this);
    setPicture (*mCopyButton, tb_copy_up_png, tb_copy_up_pngSize, true);

    mPresetSlots = new GUIPresetSlots();
    addAndMakeVisible (mPresetSlots);

    mRefreshButton = addImageButton (*this, this);
    setPicture (*mRefreshButton, images_jpeg, images_jpegSize, true);
    mRenameButton = addImageButton (*this, this);
    setPicture (*mRenameButton, tb_rename_up_png, tb_rename_up_pngSize, true);

    // Set once every child stands, so that controls which take their colours when they are
    // built (a slider's text box) take them again from this look.
    setLookAndFeel (&mLook);
    setSize (736, 416);
}

GUIManagerTab::~GUIManagerTab()
{
    deleteChild (mComputerGroup);
    deleteChild (mInstrumentGroup);
    deleteChild (mPresetList);
    deleteChild (mLeftArrowButton);
    deleteChild (mRightArrowButton);
    deleteChild (mExportButton);
    deleteChild (mImportButton);
    deleteChild (mDeleteButton);
    deleteChild (mCopyButton);
    deleteChild (mPresetSlots);
    deleteChild (mRefreshButton);
    deleteChild (mRenameButton);
    setLookAndFeel (nullptr);
}

void GUIManagerTab::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
}

void GUIManagerTab::resized()
{
    mComputerGroup->setBounds (16, 16, 304, 384);
    mInstrumentGroup->setBounds (416, 16, 304, 384);
    mPresetList->setBounds (24, 32, 288, 360);
    mLeftArrowButton->setBounds (336, 88, 56, 48);
    mRightArrowButton->setBounds (336, 120, 56, 48);
    mExportButton->setBounds (340, 176, 56, 32);
    mImportButton->setBounds (340, 216, 56, 32);
    mDeleteButton->setBounds (340, 360, 56, 32);
    mCopyButton->setBounds (340, 280, 56, 32);
    mPresetSlots->setBounds (424, 32, 288, 360);
    mRefreshButton->setBounds (340, 32, 56, 48);
    mRenameButton->setBounds (340, 320, 56, 32);

    mDirectoryList.CreateList();
    mPresetList->updateContent();
}

void GUIManagerTab::buttonClicked (juce::Button* button)
{
    if (button == mLeftArrowButton || button == mRightArrowButton)
        return;
    if (button == mExportButton)
        sendUnlessEmpty (allSelectedMessage (ActionCode::exportPresets));
    else if (button == mImportButton)
        sendActionMessage (ActionCode::importPresets);
    else if (button == mDeleteButton)
        sendUnlessEmpty (allSelectedMessage (ActionCode::deletePresets));
    else if (button == mCopyButton)
        sendUnlessEmpty (firstSelectedMessage (ActionCode::copyPreset));
    else if (button == mRefreshButton)
        refreshPresetsList();
    else if (button == mRenameButton)
        sendUnlessEmpty (firstSelectedMessage (ActionCode::renamePreset));
}

void GUIManagerTab::refreshPresetsList()
{
    mDirectoryList.RefreshList();
    mPresetList->updateContent();
}

void GUIManagerTab::registerListener (juce::ActionListener*)
{
}

juce::String GUIManagerTab::allSelectedMessage (const char* code) const
{
    const int count = mPresetList->getNumSelectedFiles();
    if (count == 0)
        return {};
    juce::StringArray paths;
    for (int i = 0; i < count; ++i)
        paths.add (mPresetList->getSelectedFile (i).getFullPathName());
    return code + paths.joinIntoString (",");
}

juce::String GUIManagerTab::firstSelectedMessage (const char* code) const
{
    if (mPresetList->getNumSelectedFiles() == 0)
        return {};
    return code + mPresetList->getSelectedFile (0).getFullPathName();
}

void GUIManagerTab::sendUnlessEmpty (const juce::String& message)
{
    if (message.isNotEmpty())
        sendActionMessage (message);
}
