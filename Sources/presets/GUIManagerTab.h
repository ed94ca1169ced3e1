#pragma once

#include "JuceIncludes.h"
#include "presets/DirectoryListHelper.h"
#include "presets/DraggableList.h"
#include "presets/GUIPresetSlots.h"

/** The preset librarian page: the preset library folder's files on the left, the instrument's
    six preset slots on the right, and between them a column of picture buttons. The file
    buttons and the drags between list and slots send their action messages through the page's
    own broadcaster; the page itself does no file or instrument work. */
class GUIManagerTab : public juce::Component,
                      public juce::ActionBroadcaster,
                      public juce::DragAndDropContainer,
                      public juce::Button::Listener
{
public:
    /** Builds the page over the preset library folder; scans nothing yet. */
    GUIManagerTab();
    ~GUIManagerTab() override;

    void paint (juce::Graphics& g) override;
    /** Lays the page out, then lists the folder (the first layout waits for its first scan). */
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    /** Rescans the folder, waiting until the scan is done, and shows the result. */
    void refreshPresetsList();

    /** Does nothing: the page's messages leave through the page's own broadcaster. */
    void registerListener (juce::ActionListener* listener);

    juce::GroupComponent* getComputerGroup() const noexcept { return mComputerGroup; }
    juce::GroupComponent* getInstrumentGroup() const noexcept { return mInstrumentGroup; }
    DraggableList* getPresetList() const noexcept { return mPresetList; }
    juce::ImageButton* getLeftArrowButton() const noexcept { return mLeftArrowButton; }
    juce::ImageButton* getRightArrowButton() const noexcept { return mRightArrowButton; }
    juce::ImageButton* getExportButton() const noexcept { return mExportButton; }
    juce::ImageButton* getImportButton() const noexcept { return mImportButton; }
    juce::ImageButton* getDeleteButton() const noexcept { return mDeleteButton; }
    juce::ImageButton* getCopyButton() const noexcept { return mCopyButton; }
    GUIPresetSlots* getPresetSlots() const noexcept { return mPresetSlots; }
    juce::ImageButton* getRefreshButton() const noexcept { return mRefreshButton; }
    juce::ImageButton* getRenameButton() const noexcept { return mRenameButton; }

    static const char* serig_kre_left_png;
    static const int serig_kre_left_pngSize;
    static const char* serig_kre_right_png;
    static const int serig_kre_right_pngSize;
    static const char* tb_export_up_png;
    static const int tb_export_up_pngSize;
    static const char* tb_import_up_png;
    static const int tb_import_up_pngSize;
    static const char* tb_delete_up_png;
    static const int tb_delete_up_pngSize;
    static const char* tb_copy_up_png;
    static const int tb_copy_up_pngSize;
    static const char* images_jpeg;
    static const int images_jpegSize;
    static const char* tb_rename_up_png;
    static const int tb_rename_up_pngSize;

private:
    /** The message of the export and delete buttons: the code and every selected path, in row
        order, joined by ","; empty with nothing selected. */
    juce::String allSelectedMessage (const char* code) const;
    /** The message of the copy and rename buttons: the code and the lowest selected row's
        path; empty with nothing selected. */
    juce::String firstSelectedMessage (const char* code) const;
    void sendUnlessEmpty (const juce::String& message);

    DirectoryListHelper mDirectoryList;
    juce::GroupComponent* mComputerGroup = nullptr;
    juce::GroupComponent* mInstrumentGroup = nullptr;
    DraggableList* mPresetList = nullptr;
    juce::ImageButton* mLeftArrowButton = nullptr;
    juce::ImageButton* mRightArrowButton = nullptr;
    juce::ImageButton* mExportButton = nullptr;
    juce::ImageButton* mImportButton = nullptr;
    juce::ImageButton* mDeleteButton = nullptr;
    juce::ImageButton* mCopyButton = nullptr;
    GUIPresetSlots* mPresetSlots = nullptr;
    juce::ImageButton* mRefreshButton = nullptr;
    juce::ImageButton* mRenameButton = nullptr;

    // The framework's light scheme, so that its own list, frames and labels read on the white page.
    juce::LookAndFeel_V4 mLook { juce::LookAndFeel_V4::getLightColourScheme() };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIManagerTab)
};
