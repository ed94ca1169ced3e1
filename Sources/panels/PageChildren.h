#pragma once

#include "JuceIncludes.h"

// A page's children: created in its constructor as visible children it owns through plain
// pointers, deleted in its destructor with each pointer cleared.
namespace PageChildren
{
template <class Control>
Control* addControl (juce::Component& page, Control*& field)
{
    field = new Control();
    page.addAndMakeVisible (field);
    return field;
}

template <class Control>
void deleteControl (Control*& field)
{
    delete field;
    field = nullptr;
}
} // namespace PageChildren
