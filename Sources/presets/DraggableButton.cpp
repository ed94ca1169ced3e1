#include "presets/DraggableButton.h"
#include "ActionCodes.h"

DraggableButton::DraggableButton (const juce::String& name) : juce::ImageButton (name)
{
}

DraggableButton::~DraggableButton() = default;

juce::String DraggableButton::getDragDescription() const
{
    return getName() + ",Mon preset";
}

void DraggableButton::mouseDown (const juce::MouseEvent& e)
{
    if (auto* container = juce::DragAndDropContainer::findParentDragContainerFor (this))
        container->startDragging (getDragDescription(), this, juce::ScaledImage (getNormalImage()),
                                  false, nullptr, &e.source);
}

void DraggableButton::itemDropped (const juce::DragAndDropTarget::SourceDetails& details)
{
    const juce::String message = juce::String (ActionCode::dropOnSlot) + getName() + "," + details.description.toString();
    if (auto* container = juce::DragAndDropContainer::findParentDragContainerFor (this))
        if (auto* broadcaster = dynamic_cast<juce::ActionBroadcaster*> (container))
            broadcaster->sendActionMessage (message);
}

bool DraggableButton::isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails&)
{
    return true;
}
