#include "presets/DraggableList.h"
#include "ActionCodes.h"

DraggableList::DraggableList (juce::DirectoryContentsList& contents)
    : juce::ListBox ("Draggable list", nullptr),
      mContents (contents)
{
    setModel (this);
    setMultipleSelectionEnabled (true);
}

DraggableList::~DraggableList()
{
    setModel (nullptr);
}

void DraggableList::itemDropped (const juce::DragAndDropTarget::SourceDetails& details)
{
    const juce::String message = juce::String (ActionCode::dropOnList) + details.description.toString();
    if (auto* container = juce::DragAndDropContainer::findParentDragContainerFor (this))
        if (auto* broadcaster = dynamic_cast<juce::ActionBroadcaster*> (container))
            broadcaster->sendActionMessage (message);
}

bool DraggableList::isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails&)
{
    return true;
}

int DraggableList::getNumRows()
{
    return mContents.getNumFiles();
}

void DraggableList::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected)
{
    if (rowIsSelected)
        g.fillAll (juce::Colours::lightblue);

    g.setColour (juce::Colours::black);
    g.setFont (juce::Font ((float) height * 0.7f, juce::Font::plain));
    g.drawText (mContents.getFile (rowNumber).getFileName(), 5, 0, width, height,
                juce::Justification::centredLeft, true);
}

juce::var DraggableList::getDragSourceDescription (const juce::SparseSet<int>& selectedRows)
{
    const int row = selectedRows.isEmpty() ? 0 : selectedRows[0];
    return mContents.getFile (row).getFullPathName();
}

juce::File DraggableList::getSelectedFile (int index) const
{
    if (index < 0 || index >= getNumSelectedRows())
        return {};
    return mContents.getFile (getSelectedRow (index));
}

int DraggableList::getNumSelectedFiles() const
{
    return getNumSelectedRows();
}
