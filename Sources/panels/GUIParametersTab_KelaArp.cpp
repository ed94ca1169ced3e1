#include "panels/GUIParametersTab_KelaArp.h"
#include "panels/PageChildren.h"

using PageChildren::addControl;
using PageChildren::deleteControl;

GUIParametersTab_KelaArp::GUIParametersTab_KelaArp()
{
    addControl (*this, mMidiChooser);
    addControl (*this, mInputGain);
    addControl (*this, mKeyboard);
    addControl (*this, mLFO);
    addControl (*this, mVelocity);
    addControl (*this, mAftertouch);
    addControl (*this, mArpHold);
    addControl (*this, mLegato);

    mPageBackground = juce::ImageCache::getFromMemory (mainPanel_backGround_png4, mainPanel_backGround_png4Size);
    setSize (795, 420);
}

GUIParametersTab_KelaArp::~GUIParametersTab_KelaArp()
{
    deleteControl (mMidiChooser);
    deleteControl (mInputGain);
    deleteControl (mKeyboard);
    deleteControl (mLFO);
    deleteControl (mVelocity);
    deleteControl (mAftertouch);
    deleteControl (mArpHold);
    deleteControl (mLegato);
}

void GUIParametersTab_KelaArp::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (mPageBackground, 0, 0, 795, 420,
                       juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize, false);
}

void GUIParametersTab_KelaArp::resized()
{
    mMidiChooser->setBounds (80, 220, 288, 120);
    mInputGain->setBounds (280, 106, 29, 65);
    mKeyboard->setBounds (440, 228, 29, 65);
    mLFO->setBounds (439, 106, 29, 65);
    mVelocity->setBounds (533, 225, 29, 65);
    mAftertouch->setBounds (644, 225, 29, 65);
    mArpHold->setBounds (644, 106, 29, 65);
    mLegato->setBounds (532, 110, 29, 65);
}

void GUIParametersTab_KelaArp::registerListener (juce::ActionListener* listener)
{
    mMidiChooser->addActionListener (listener);
    mInputGain->addActionListener (listener);
    mKeyboard->addActionListener (listener);
    mLFO->addActionListener (listener);
    mVelocity->addActionListener (listener);
    mAftertouch->addActionListener (listener);
    mArpHold->addActionListener (listener);
    mLegato->addActionListener (listener);
}

void GUIParametersTab_KelaArp::setChannelIn (int v)          { mMidiChooser->setChannelIn (v); }
void GUIParametersTab_KelaArp::setChannelOut (int v)         { mMidiChooser->setChannelOut (v); }
void GUIParametersTab_KelaArp::setAudioGateThreshold (int v) { mInputGain->setAudioGateThreshold (v); }
void GUIParametersTab_KelaArp::setLFORetrig (bool v)         { mLFO->setRetrig (v); }
void GUIParametersTab_KelaArp::setArpHold (bool v)           { mArpHold->setArpHold (v); }
void GUIParametersTab_KelaArp::setKeyboardMode (int v)       { mKeyboard->setMode (v); }
void GUIParametersTab_KelaArp::setLegatoState (int v)        { mLegato->setLegato (v > 0); }
void GUIParametersTab_KelaArp::setVelocityCurbNum (int v)    { mVelocity->setCurb (v); }
void GUIParametersTab_KelaArp::setAftertouchCurbNum (int v)  { mAftertouch->setCurb (v); }
