#include "panels/GUIParametersTab_KelaSE.h"
#include "panels/PageChildren.h"

using PageChildren::addControl;
using PageChildren::deleteControl;

GUIParametersTab_KelaSE::GUIParametersTab_KelaSE()
{
    addControl (*this, mKeyboard)->setExplicitFocusOrder (2);
    addControl (*this, mLFO);
    addControl (*this, mVelocity);
    addControl (*this, mSeqNextSeq);
    addControl (*this, mSeqPlayMode);
    addControl (*this, mStepSize);
    addControl (*this, mClkSync);
    addControl (*this, mMidiChooser);
    addControl (*this, mInputGain);
    addControl (*this, mLegato);
    addControl (*this, mAftertouch);

    mPageBackground = juce::ImageCache::getFromMemory (mainPanel_backGround_kelaDorvoSe_jpg,
                                                       mainPanel_backGround_kelaDorvoSe_jpgSize);
    setSize (950, 420);
}

GUIParametersTab_KelaSE::~GUIParametersTab_KelaSE()
{
    deleteControl (mKeyboard);
    deleteControl (mLFO);
    deleteControl (mVelocity);
    deleteControl (mSeqNextSeq);
    deleteControl (mSeqPlayMode);
    deleteControl (mStepSize);
    deleteControl (mClkSync);
    deleteControl (mMidiChooser);
    deleteControl (mInputGain);
    deleteControl (mLegato);
    deleteControl (mAftertouch);
}

void GUIParametersTab_KelaSE::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);
    g.setColour (juce::Colours::black);
    g.drawImageWithin (mPageBackground, 0, 0, 950, 420, juce::RectanglePlacement::centred, false);
}

void GUIParametersTab_KelaSE::resized()
{
    mKeyboard->setBounds (436, 225, 29, 65);
    mLFO->setBounds (253, 99, 29, 65);
    mVelocity->setBounds (649, 225, 29, 65);
    mSeqNextSeq->setBounds (547, 98, 29, 65);
    mSeqPlayMode->setBounds (439, 98, 29, 65);
    mStepSize->setBounds (756, 97, 29, 65);
    mClkSync->setBounds (652, 98, 29, 65);
    mMidiChooser->setBounds (80, 220, 288, 120);
    mInputGain->setBounds (160, 99, 29, 65);
    mLegato->setBounds (546, 225, 29, 65);
    mAftertouch->setBounds (756, 225, 29, 65);
}

void GUIParametersTab_KelaSE::registerListener (juce::ActionListener* listener)
{
    mKeyboard->addActionListener (listener);
    mLFO->addActionListener (listener);
    mVelocity->addActionListener (listener);
    mSeqNextSeq->addActionListener (listener);
    mSeqPlayMode->addActionListener (listener);
    mStepSize->addActionListener (listener);
    mClkSync->addActionListener (listener);
    mMidiChooser->addActionListener (listener);
    mInputGain->addActionListener (listener);
    mLegato->addActionListener (listener);
    mAftertouch->addActionListener (listener);
}

void GUIParametersTab_KelaSE::setChannelIn (int v)          { mMidiChooser->setChannelIn (v); }
void GUIParametersTab_KelaSE::setChannelOut (int v)         { mMidiChooser->setChannelOut (v); }
void GUIParametersTab_KelaSE::setAudioGateThreshold (int v) { mInputGain->setAudioGateThreshold (v); }
void GUIParametersTab_KelaSE::setLFORetrig (bool v)         { mLFO->setRetrig (v); }
void GUIParametersTab_KelaSE::setKeyboardMode (int v)       { mKeyboard->setMode (v); }
void GUIParametersTab_KelaSE::setLegatoState (int v)        { mLegato->setLegato (v > 0); }
void GUIParametersTab_KelaSE::setVelocityCurbNum (int v)    { mVelocity->setCurb (v); }
void GUIParametersTab_KelaSE::setAftertouchCurbNum (int v)  { mAftertouch->setCurb (v); }
void GUIParametersTab_KelaSE::setStepSize (int v)           { mStepSize->setState (v); }
void GUIParametersTab_KelaSE::setSeqSync (int v)            { mClkSync->setState (v); }
void GUIParametersTab_KelaSE::setSeqPlayMode (int v)        { mSeqPlayMode->setState (v != 0); }
void GUIParametersTab_KelaSE::setSeqNextSeq (int v)         { mSeqNextSeq->setState (v); }
