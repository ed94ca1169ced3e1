#pragma once

#include "JuceIncludes.h"
#include "presets/DirectoryListHelper.h"
#include "presets/DraggableList.h"
#include "presets/GUIConfigComponent.h"
#include "presets/GUIPattern.h"

/** The preset editor page: the preset library folder's files on the left, the step pattern and
    the settings panel on the right. It is a drag-and-drop container but no action broadcaster,
    so a drop on its list sends nothing; it reads and writes no preset. */
class GUIEditorTab : public juce::Component,
                     public juce::DragAndDropContainer
{
public:
    /** Builds the page over the preset library folder; its first layout scans the folder. */
    GUIEditorTab();
    ~GUIEditorTab() override;

    void paint (juce::Graphics& g) override;
    /** Lays the page out, then lists the folder (the first layout waits for its first scan). */
    void resized() override;

    /** Does nothing. */
    void registerListener (juce::ActionListener* listener);

    GUIConfigComponent* getConfigComponent() const noexcept { return mConfigComponent; }
    GUIPattern* getPattern() const noexcept { return mPattern; }
    juce::GroupComponent* getComputerGroup() const noexcept { return mComputerGroup; }
    DraggableList* getPresetList() const noexcept { return mPresetList; }

private:
    DirectoryListHelper mDirectoryList;
    GUIConfigComponent* mConfigComponent = nullptr;
    GUIPattern* mPattern = nullptr;
    juce::GroupComponent* mComputerGroup = nullptr;
    DraggableList* mPresetList = nullptr;

    // The framework's light scheme, so that its own controls read on the white page.
    juce::LookAndFeel_V4 mLook { juce::LookAndFeel_V4::getLightColourScheme() };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIEditorTab)
};
