#include "presets/GUIConfigComponent.h"

namespace
{
template <class T>
T* addChild (juce::Component& parent, T* child)
{
    parent.addAndMakeVisible (child);
    return child;
}

template <class T>
void deleteChild (T*& field)
{
    delete field;
    field = nullptr;
}

void styleBox (juce::ComboBox& box, const juce::String& textWhenNothingSelected, juce::ComboBox::Listener* listener)
{
    box.setEditableText (false);
    box.setJustificationType (juce::Justification::centredLeft);
    box.setTextWhenNothingSelected (textWhenNothingSelected);
    box.setTextWhenNoChoicesAvailable ("(no choices)");
    box.addListener (listener);
}

void notEditable (juce::Label& label)
{
    label.setJustificationType (juce::Justification::centredLeft);
    label.setEditable (false, false, false);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
}

juce::Label* makeLabel (const juce::String& text)
{
    auto* label = new juce::Label ("new label", text);
    label->setFont (juce::Font (15.0f, juce::Font::plain));
    notEditable (*label);
    label->setColour (juce::Label::textColourId, juce::Colours::black);
    return label;
}

juce::Slider* makeSlider (double low, double high, juce::Slider::Listener* listener)
{
    auto* slider = new juce::Slider ("new slider");
    slider->setRange (low, high, 1);
    slider->setSliderStyle (juce::Slider::LinearHorizontal);
    slider->setTextBoxStyle (juce::Slider::TextBoxBelow, false, 80, 20);
    slider->addListener (listener);
    return slider;
}
} // namespace

GUIConfigComponent::GUIConfigComponent()
{
    mNoteOrderBox = addChild (*this, new juce::ComboBox ("new combo box"));
    styleBox (*mNoteOrderBox, "Chrono", this);
    mNoteOrderBox->addItem ("Chrono", 1);
    mNoteOrderBox->addItem ("Pitch up", 2);
    mNoteOrderBox->addItem ("Pitch down", 3);

    mNoteOrderLabel = addChild (*this, makeLabel ("Note order :"));

    mSignatureBox = addChild (*this, new juce::ComboBox ("new combo box"));
    styleBox (*mSignatureBox, "Binary", this);
    mSignatureBox->addItem ("Binary", 1);
    mSignatureBox->addItem ("Ternary", 2);

    mSignatureLabel = addChild (*this, makeLabel ("Signature :"));
    mStepsLabel = addChild (*this, makeLabel ("Nb Steps :\n"));

    mTitleLabel = addChild (*this, new juce::Label ("new label", "Configuration"));
    mTitleLabel->setFont (juce::Font (22.0f, juce::Font::bold));
    notEditable (*mTitleLabel);

    mStepsSlider = addChild (*this, makeSlider (1, 64, this));

    mSaveButton = addChild (*this, new juce::TextButton ("butSave"));
    mSaveButton->setTooltip (juce::String());
    mSaveButton->setButtonText ("save");
    mSaveButton->addListener (this);

    mGateTimeLabel = addChild (*this, makeLabel ("Gate time:\n"));
    mGateTimeSlider = addChild (*this, makeSlider (10, 100, this));

    setSize (450, 200);
}

GUIConfigComponent::~GUIConfigComponent()
{
    deleteChild (mNoteOrderBox);
    deleteChild (mNoteOrderLabel);
    deleteChild (mSignatureBox);
    deleteChild (mSignatureLabel);
    deleteChild (mStepsLabel);
    deleteChild (mTitleLabel);
    deleteChild (mStepsSlider);
    deleteChild (mSaveButton);
    deleteChild (mGateTimeLabel);
    deleteChild (mGateTimeSlider);
}

void GUIConfigComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
}

void GUIConfigComponent::resized()
{
    mNoteOrderBox->setBounds (168, 80, 104, 24);
    mNoteOrderLabel->setBounds (160, 48, 112, 24);
    mSignatureBox->setBounds (296, 80, 120, 24);
    mSignatureLabel->setBounds (288, 48, 128, 24);
    mStepsLabel->setBounds (32, 48, 112, 24);
    mTitleLabel->setBounds (24, 16, 150, 24);
    mStepsSlider->setBounds (32, 72, 112, 32);
    mSaveButton->setBounds (168, 144, 112, 24);
    mGateTimeLabel->setBounds (32, 128, 112, 24);
    mGateTimeSlider->setBounds (32, 152, 112, 32);
}

void GUIConfigComponent::comboBoxChanged (juce::ComboBox*)
{
}

void GUIConfigComponent::sliderValueChanged (juce::Slider*)
{
}

void GUIConfigComponent::buttonClicked (juce::Button*)
{
}
