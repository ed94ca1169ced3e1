#pragma once

#include "JuceIncludes.h"

/** An image button named after its preset slot. A press starts a drag at once (the description
    is the slot name, "," and "Mon preset"; the picture its normal image), and anything dropped
    on it becomes "DRSL " followed by the slot name, "," and the drag's description, sent through
    the nearest enclosing drag-and-drop container when that container is an action broadcaster.
    Its pictures are set by its owner. */
class DraggableButton : public juce::ImageButton,
                        public juce::DragAndDropTarget
{
public:
    explicit DraggableButton (const juce::String& name);
    ~DraggableButton() override;

    /** Starts the drag; the press does not reach the button's own press handling. */
    void mouseDown (const juce::MouseEvent& e) override;
    void itemDropped (const juce::DragAndDropTarget::SourceDetails& details) override;
    bool isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details) override;

    /** The description a drag of this slot carries. */
    juce::String getDragDescription() const;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DraggableButton)
};
