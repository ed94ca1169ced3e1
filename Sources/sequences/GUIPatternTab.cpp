#include "sequences/GUIPatternTab.h"
#include "ActionCodes.h"

GUISeqFactory::GUISeqFactory()
    : GUIPushButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUISeqFactory, 0x00b6a1a1))
{
}

void GUISeqFactory::clicked()
{
    sendActionMessage (ActionCode::factorySequences);
}

GUISeqLoad::GUISeqLoad()
    : GUIPushButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUISeqLoad, 0x00b6a1a1))
{
}

void GUISeqLoad::clicked()
{
    sendActionMessage (ActionCode::loadSequences);
}

GUISeqSave::GUISeqSave()
    : GUIPushButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUISeqSave, 0x00b6a1a1))
{
}

void GUISeqSave::clicked()
{
    sendActionMessage (ActionCode::saveSequences);
}

// ---------------------------------------------------------------------------------------------

GUIPatternTab::GUIPatternTab()
{
    mSeqLoad = new GUISeqLoad();
    addAndMakeVisible (mSeqLoad);
    mSeqSave = new GUISeqSave();
    addAndMakeVisible (mSeqSave);
    mSeqFactory = new GUISeqFactory();
    addAndMakeVisible (mSeqFactory);

    mBackground = juce::ImageCache::getFromMemory (seqTab_kelaSe_jpg, seqTab_kelaSe_jpgSize);
    setSize (950, 420);
}

GUIPatternTab::~GUIPatternTab()
{
    delete mSeqLoad;
    mSeqLoad = nullptr;
    delete mSeqSave;
    mSeqSave = nullptr;
    delete mSeqFactory;
    mSeqFactory = nullptr;
}

void GUIPatternTab::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (mBackground, 0, 0, 950, 420,
                       juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize, false);
}

void GUIPatternTab::resized()
{
    mSeqFactory->setBounds (304, 232, 70, 55);
    mSeqLoad->setBounds (533, 232, 70, 55);
    mSeqSave->setBounds (694, 232, 70, 55);
}

void GUIPatternTab::registerListener (juce::ActionListener* listener)
{
    mSeqLoad->addActionListener (listener);
    mSeqSave->addActionListener (listener);
    mSeqFactory->addActionListener (listener);
}
