#pragma once

#include "JuceIncludes.h"

/** A list box of the files of a directory contents list, one row per file, with multiple
    selection. Selected rows can be dragged out (the description is the full path of the
    lowest selected row's file), and anything dropped on it becomes "DRLT " followed by the
    drag's description, sent through the nearest enclosing drag-and-drop container when that
    container is an action broadcaster. It is its own model; the contents list must outlive it. */
class DraggableList : public juce::ListBox,
                      public juce::ListBoxModel,
                      public juce::DragAndDropTarget
{
public:
    explicit DraggableList (juce::DirectoryContentsList& contents);
    ~DraggableList() override;

    void itemDropped (const juce::DragAndDropTarget::SourceDetails& details) override;
    bool isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details) override;
    int getNumRows() override;
    void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
    juce::var getDragSourceDescription (const juce::SparseSet<int>& selectedRows) override;

    /** The file of the index-th selected row, counted in ascending row order from 0; a file with
        an empty path when index is outside the selection. */
    juce::File getSelectedFile (int index) const;
    int getNumSelectedFiles() const;

private:
    juce::DirectoryContentsList& mContents;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DraggableList)
};
