#pragma once

#include "JuceIncludes.h"

// Everything of the instrument link that keeps the instrument's ports across a nested message
// loop (a reply wait, a block transfer, a discovery, and the sequence, firmware and preset
// operations built on them) marks itself as a running user of the ports for as long as it
// runs. Whoever owns the ports (the application) watches through an observer and closes
// nothing while a user runs: a disconnect asked for meanwhile happens when the outermost
// user ends.
//
// The nested loops themselves run through runSlice, which ends them as soon as the
// application has been asked to quit.

class PortUseObserver
{
public:
    virtual ~PortUseObserver() = default;
    /** The first user began (the count went from 0 to 1). Message thread. */
    virtual void portUseBegins() = 0;
    /** The last user ended (the count went back to 0). Message thread. */
    virtual void portUseEnds() = 0;
};

namespace PortUse
{
/** The one observer (null for none). */
void setObserver (PortUseObserver* observer);

/** Takes observer away, when it is the one in place. */
void removeObserver (PortUseObserver* observer);

/** Marks a running user of the instrument's ports for its lifetime; nests. Only counts on the
    message thread, where every nested loop runs. */
class Scope
{
public:
    Scope();
    ~Scope();
    Scope (const Scope&) = delete;
    Scope& operator= (const Scope&) = delete;

private:
    bool mCounted;
};

/** Running users at the moment (message thread). */
int users();

/** True once the application has been asked to quit: every nested loop ends at once and
    reports failure, and no box is shown any more. */
bool quitting();

/** One slice of a nested loop: runs the message loop for about ms on the message thread (or
    sleeps, off it). False when the application is quitting, at once if it already was; off
    the message thread a slice also ends within a few milliseconds of a quit. */
bool runSlice (int ms);
} // namespace PortUse
