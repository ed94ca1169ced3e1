#include "presets/GUIEditorTab.h"
#include "presets/PresetFolder.h"

GUIEditorTab::GUIEditorTab()
    : mDirectoryList (PresetFolder::get().getFullPathName(), "*.*")
{
    mConfigComponent = new GUIConfigComponent();
    addAndMakeVisible (mConfigComponent);
    mPattern = new GUIPattern();
    addAndMakeVisible (mPattern);
    mComputerGroup = new juce::GroupComponent ("new group", "computer presets");
    addAndMakeVisible (mComputerGroup);
    mPresetList = new DraggableList (*mDirectoryList.mContents);
    addAndMakeVisible (mPresetList);

    // The light scheme draws a slider's track white; grey reads on the white page.
    mLook.setColour (juce::Slider::backgroundColourId, juce::Colour (0xffd3d7dc));
    // Set once every child stands, so that controls which take their colours when they are
    // built (a slider's text box) take them again from this look.
    setLookAndFeel (&mLook);
    setSize (736, 416);
}

GUIEditorTab::~GUIEditorTab()
{
    delete mConfigComponent;
    mConfigComponent = nullptr;
    delete mPattern;
    mPattern = nullptr;
    delete mComputerGroup;
    mComputerGroup = nullptr;
    delete mPresetList;
    mPresetList = nullptr;
    setLookAndFeel (nullptr);
}

void GUIEditorTab::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
}

void GUIEditorTab::resized()
{
    mConfigComponent->setBounds (304, 176, 424, 200);
    mPattern->setBounds (328, 24, 400, 128);
    mComputerGroup->setBounds (16, 16, 304, 384);
    mPresetList->setBounds (24, 32, 288, 360);

    mDirectoryList.CreateList();
    mPresetList->updateContent();
}

void GUIEditorTab::registerListener (juce::ActionListener*)
{
}
