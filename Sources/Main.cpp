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
    if (SingleInstance::handOver (SingleInstance::defaultSocketPath(), arguments.joinIntoString (" ")))
        return 0;

    std::unique_ptr<sim::SimulatedInstrument> instrument;
    if (juce::SystemStats::getEnvironmentVariable ("DORVO_MIDI", {}) == "virtual")
    {
        MidiPorts::useVirtualBus();
        instrument = sim::makeSimulatedInstrumentFromEnvironment();
    }

    juce::JUCEApplicationBase::createInstance = &createApplication;
    const int result = juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    instrument = nullptr;
    return result;
}
