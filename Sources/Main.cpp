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
    // which shows "Multiple instance"; when the hand-over fails (the running one is not
    // listening yet, or no more), this start shows the box itself.
    juce::JUCEApplicationBase::createInstance = &createApplication;   // also makes X errors non-fatal
    const auto socketPath = SingleInstance::defaultSocketPath();
    SingleInstance::Lock lock (socketPath);
    if (! lock.isHeld())
    {
        if (! SingleInstance::handOver (socketPath, arguments.joinIntoString (" ")))
        {
            juce::ScopedJuceInitialiser_GUI gui;
            const DorvoLookAndFeel::Installed look;
            DorvoEditorApplication::showMultipleInstanceBox();
        }
        return 0;
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
