#pragma once

#include "app/ActionRecorder.h"
#include "presets/PresetFolder.h"

namespace presettest
{
/** A fresh temporary preset library folder for the lifetime of the object: the pages list it
    instead of the real one. Removed afterwards, and the real folder restored. */
class TempPresetFolder
{
public:
    TempPresetFolder();
    ~TempPresetFolder();

    const juce::File& folder() const noexcept { return mFolder; }
    /** Writes a small file of that name into the folder; returns it. */
    juce::File add (const juce::String& name) const;

private:
    juce::File mFolder;
};

/** Runs the current test again in a child process of its own with an X server of its own, so
    its pointer neither disturbs nor is disturbed by the windows of tests running in parallel.
    In the parent: runs the child, checks that its one test passed and returns true. In the
    child: returns false, and the test body goes on. */
bool runOnOwnDisplay();

/** True in the child process of runOnOwnDisplay. */
bool isOwnDisplayChild();

/** Runs xdotool with the given arguments on the current display; false when it fails. */
bool xdotool (const juce::String& arguments);

/** Keeps the mouse events of a component and all its children. */
struct MouseWatcher : juce::MouseListener
{
    struct Event
    {
        juce::String kind;
        juce::Component* component;
        juce::Point<int> screen;
    };
    std::vector<Event> events;

    void mouseMove (const juce::MouseEvent& e) override { add ("move", e); }
    void mouseEnter (const juce::MouseEvent& e) override { add ("enter", e); }
    void mouseDown (const juce::MouseEvent& e) override { add ("down", e); }
    void mouseDrag (const juce::MouseEvent& e) override { add ("drag", e); }
    void mouseUp (const juce::MouseEvent& e) override { add ("up", e); }

    /** True when an event of that kind at that screen position has been seen (on component,
        unless null). */
    bool saw (const juce::String& kind, juce::Point<int> screen, juce::Component* component = nullptr) const;

private:
    void add (const juce::String& kind, const juce::MouseEvent& e)
    {
        events.push_back ({ kind, e.eventComponent, e.getScreenPosition() });
    }
};

/** Drives the real X pointer over a component on screen and waits, by its mouse events, until
    each step has arrived. */
class Pointer
{
public:
    explicit Pointer (juce::Component& watched);
    ~Pointer();

    /** Moves to the screen point and waits for the move (a drag while the button is down). */
    bool moveTo (juce::Point<int> screen);
    /** Moves there in steps of at most 12 pixels. */
    bool glideTo (juce::Point<int> screen);
    bool press();
    bool release();

    juce::Point<int> position() const noexcept { return mPosition; }
    const MouseWatcher& watcher() const noexcept { return mWatcher; }

private:
    juce::Component& mWatched;
    MouseWatcher mWatcher;
    juce::Point<int> mPosition;
    bool mDown = false;
};

/** Puts a component on screen as a window of its own at the given position and waits until it shows. */
bool showOnScreen (juce::Component& component, juce::Point<int> topLeft);

/** Waits until the component is the only window on the desktop: a drag's picture, shown as a
    window of its own that takes no pointer events, is gone. */
bool onlyOnDesktop (juce::Component& component);

/** Lets every message posted so far be delivered (a marker posted now arrives after them). */
void flushMessages();

/** Paints what a framework image button shows of picture in area of g: scaled to fit, keeping
    its proportions or stretched, at opacity 1, with the overlay colour laid over its pixels. */
void drawAsImageButton (juce::Graphics& g, const juce::Image& picture, juce::Rectangle<int> area,
                        bool keepProportions, juce::Colour overlay = juce::Colour (0x00000000));

/** The largest difference of a colour channel between area of a and the same area of b. */
int maxDifference (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area);

/** A snapshot of a component alone (its children included) on a transparent ground. */
juce::Image snapshotOf (juce::Component& c);
} // namespace presettest
