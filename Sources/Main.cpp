#include "app/DorvoEditorApplication.h"
#include "app/SingleInstance.h"
#include "simulator/SimulatedInstrument.h"

// The entry point. A second start hands its command line to the running instance and ends.
// With DORVO_MIDI=virtual the application talks to the simulated instrument on the in-process
// port bus (DORVO_SIM_MODEL, DORVO_SIM_FIRMWARE, DORVO_SIM_FAULTS, DORVO_SIM_LOG).

namespace
{
juce::JUCEApplicationBase* createApplication()
{
    auto* app = new DorvoEditorApplication();
    app->listenForOtherInstances (SingleInstance::defaultSocketPath());
    return app;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (argv[i]);
    // One instance per user: a later start hands its command line over to the running one,
    // which shows "Multiple instance". When the hand-over fails, the instance holding the lock
    // may be on its way out (it stops listening a moment before it lets the lock go): this
    // start waits a little for the lock and, once it has it, runs. A lock still held after
    // that belongs to an instance that is not listening yet, or hangs: this start shows the
    // box itself.
    juce::JUCEApplicationBase::createInstance = &createApplication;   // also makes X errors non-fatal
    const auto socketPath = SingleInstance::defaultSocketPath();
    SingleInstance::Lock lock (socketPath);
    if (! lock.isHeld())
    {
        if (SingleInstance::handOver (socketPath, arguments.joinIntoString (" ")))
            return 0;
        if (! lock.waitUntilHeld (SingleInstance::Lock::handOverFailedWaitMs))
        {
            juce::ScopedJuceInitialiser_GUI gui;
            const DorvoLookAndFeel::Installed look;
            DorvoEditorApplication::showMultipleInstanceBox();
            return 0;
        }
    }

    std::unique_ptr<sim::SimulatedInstrument> instrument;
    if (juce::SystemStats::getEnvironmentVariable ("DORVO_MIDI", {}) == "virtual")
    {
        MidiPorts::useVirtualBus();
        instrument = sim::makeSimulatedInstrumentFromEnvironment();
    }

    const int result = juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    instrument = nullptr;
    return result;
}
