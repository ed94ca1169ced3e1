#pragma once

#include "firmware/GUIPushButton.h"

/** Resets the instrument's six sequences to the factory set: a click broadcasts "FCSQ ". */
class GUISeqFactory : public GUIPushButton
{
public:
    GUISeqFactory();
    DORVO_PUSH_BUTTON_PICTURES

protected:
    void clicked() override;
};

/** Loads a sequence file into the instrument: a click broadcasts "LDSQ ". */
class GUISeqLoad : public GUIPushButton
{
public:
    GUISeqLoad();
    DORVO_PUSH_BUTTON_PICTURES

protected:
    void clicked() override;
};

/** Saves the instrument's sequences to a sequence file: a click broadcasts "SVSQ ". */
class GUISeqSave : public GUIPushButton
{
public:
    GUISeqSave();
    DORVO_PUSH_BUTTON_PICTURES

protected:
    void clicked() override;
};

/** The Sequences page of the KelaDorvo SE: a background with three push buttons. */
class GUIPatternTab : public juce::Component,
                      public juce::ActionBroadcaster
{
public:
    GUIPatternTab();
    ~GUIPatternTab() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Adds the listener to the load, save and factory buttons. */
    void registerListener (juce::ActionListener* listener);

    GUISeqLoad* getLoadButton() const noexcept { return mSeqLoad; }
    GUISeqSave* getSaveButton() const noexcept { return mSeqSave; }
    GUISeqFactory* getFactoryButton() const noexcept { return mSeqFactory; }

    static const char* seqTab_kelaSe_jpg;
    static const int seqTab_kelaSe_jpgSize;

private:
    GUISeqLoad* mSeqLoad = nullptr;
    GUISeqSave* mSeqSave = nullptr;
    GUISeqFactory* mSeqFactory = nullptr;
    juce::Image mBackground;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIPatternTab)
};
