#pragma once

#include "JuceIncludes.h"

/** The preset editor's settings panel: note order, signature, number of steps, gate time and
    a "save" button. Its handlers do nothing: no value reaches a preset. */
class GUIConfigComponent : public juce::Component,
                           public juce::ComboBox::Listener,
                           public juce::Slider::Listener,
                           public juce::Button::Listener
{
public:
    GUIConfigComponent();
    ~GUIConfigComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void comboBoxChanged (juce::ComboBox* comboBoxThatHasChanged) override;
    void sliderValueChanged (juce::Slider* sliderThatWasMoved) override;
    void buttonClicked (juce::Button* buttonThatWasClicked) override;

    juce::ComboBox* getNoteOrderBox() const noexcept { return mNoteOrderBox; }
    juce::Label* getNoteOrderLabel() const noexcept { return mNoteOrderLabel; }
    juce::ComboBox* getSignatureBox() const noexcept { return mSignatureBox; }
    juce::Label* getSignatureLabel() const noexcept { return mSignatureLabel; }
    juce::Label* getStepsLabel() const noexcept { return mStepsLabel; }
    juce::Label* getTitleLabel() const noexcept { return mTitleLabel; }
    juce::Slider* getStepsSlider() const noexcept { return mStepsSlider; }
    juce::TextButton* getSaveButton() const noexcept { return mSaveButton; }
    juce::Label* getGateTimeLabel() const noexcept { return mGateTimeLabel; }
    juce::Slider* getGateTimeSlider() const noexcept { return mGateTimeSlider; }

private:
    juce::ComboBox* mNoteOrderBox = nullptr;
    juce::Label* mNoteOrderLabel = nullptr;
    juce::ComboBox* mSignatureBox = nullptr;
    juce::Label* mSignatureLabel = nullptr;
    juce::Label* mStepsLabel = nullptr;
    juce::Label* mTitleLabel = nullptr;
    juce::Slider* mStepsSlider = nullptr;
    juce::TextButton* mSaveButton = nullptr;
    juce::Label* mGateTimeLabel = nullptr;
    juce::Slider* mGateTimeSlider = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GUIConfigComponent)
};
