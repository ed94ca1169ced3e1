// Measures the application against the simulated instrument on the virtual port bus, inside
// one process: the time from the start of a connection to a filled Configuration page, as a
// ratio to the floor the protocol sets (the discovery's first 100 ms poll, then one 20 ms
// reply-wait slice for the sequencer question and for each of the fifteen gets: 420 ms), and
// the time from a control's click to its set message on the bus. scripts/bench.sh runs it
// and adds the process figures (resident memory, idle CPU) of the real application.
#include "app/DorvoEditorApplication.h"
#include "app/MainAppWindow.h"
#include "app/Prompts.h"
#include "panels/GUIParametersTab.h"
#include "simulator/SimulatedInstrument.h"
#include <algorithm>
#include <cstdio>
#include <mutex>

namespace
{
constexpr double floorMs = 100.0 + 16 * 20.0;

/** The simulated instrument, noting when each set message reaches it. */
struct TimedInstrument : sim::SimulatedInstrument
{
    using SimulatedInstrument::SimulatedInstrument;
    void messageFromHost (const juce::MidiMessage& m) override
    {
        const double t = juce::Time::getMillisecondCounterHiRes();
        if (m.getRawDataSize() == 11 && m.getRawData()[0] == 0xF0)
        {
            std::lock_guard<std::mutex> l (lock);
            lastSetAt = t;
            ++sets;
        }
        SimulatedInstrument::messageFromHost (m);
    }
    std::mutex lock;
    double lastSetAt = 0;
    int sets = 0;
};

/** Notes when a button tells its listeners of a click: the moment of the user's click. */
struct ClickClock : juce::Button::Listener
{
    void buttonClicked (juce::Button*) override { at = juce::Time::getMillisecondCounterHiRes(); }
    double at = 0;
};

double median (std::vector<double> v)
{
    std::sort (v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

struct Figures
{
    std::vector<double> connectMs, clickMs;
};

void measure (sim::Model model, int x, int y, int runs, int clicks, Figures& figures)
{
    for (int run = 0; run < runs; ++run)
    {
        sim::SimulatedInstrument::Options options;
        options.model = model;
        TimedInstrument instrument (options);
        instrument.plugIn();
        auto app = std::make_unique<DorvoEditorApplication>();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

        const double start = juce::Time::getMillisecondCounterHiRes();
        app->connectHardware();
        app->updateInterface();
        const double filled = juce::Time::getMillisecondCounterHiRes();
        if (! app->isConnected())
        {
            std::printf ("connection failed\n");
            std::exit (1);
        }
        figures.connectMs.push_back (filled - start);

        auto* page = app->getMainWindow()->getEditorWindow()->getParamsTab();
        auto* button = page != nullptr ? dynamic_cast<juce::Button*> (page->getComponentAt (x, y)) : nullptr;
        if (button == nullptr)
        {
            std::printf ("no control at %d,%d\n", x, y);
            std::exit (1);
        }
        ClickClock clock;
        button->addListener (&clock);
        for (int c = 0; c < clicks; ++c)
        {
            int before;
            {
                std::lock_guard<std::mutex> l (instrument.lock);
                before = instrument.sets;
            }
            button->triggerClick();
            const auto end = juce::Time::getMillisecondCounter() + 1000;
            for (;;)
            {
                juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
                std::lock_guard<std::mutex> l (instrument.lock);
                if (instrument.sets > before)
                {
                    figures.clickMs.push_back (instrument.lastSetAt - clock.at);
                    break;
                }
                if (juce::Time::getMillisecondCounter() > end)
                {
                    std::printf ("click reached nothing\n");
                    std::exit (1);
                }
            }
            juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
        }
        button->removeListener (&clock);
        app->shutdown();
        app = nullptr;
    }
}
} // namespace

int main (int argc, char** argv)
{
    const int runs = argc > 1 ? juce::jmax (1, juce::String (argv[1]).getIntValue()) : 5;

    // With an application factory set JUCE keeps X errors non-fatal (no window manager).
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juce;
    MidiPorts::useVirtualBus();
    Prompts::ScriptedResponder prompts;   // an unexpected box is answered at once
    Prompts::ScopedResponder scope (prompts);

    Figures se, kela;
    measure (sim::Model::KelaDorvoSE, 770, 257, runs, 20, se);   // aftertouch switch
    measure (sim::Model::KelaDorvo, 658, 257, runs, 20, kela);

    auto report = [] (const char* model, const Figures& f) {
        const double connect = median (f.connectMs);
        const double worst = *std::max_element (f.connectMs.begin(), f.connectMs.end());
        std::printf ("%-14s connection to filled page: median %.1f ms, worst %.1f ms; ratio to %.0f ms: %.3f (target <= 1.1)\n",
                     model, connect, worst, floorMs, connect / floorMs);
        const double click = median (f.clickMs);
        const double clickWorst = *std::max_element (f.clickMs.begin(), f.clickMs.end());
        std::printf ("%-14s click to set message on the bus: median %.3f ms, worst %.3f ms (target < 1 ms)\n",
                     model, click, clickWorst);
    };
    report ("KelaDorvo SE", se);
    report ("KelaDorvo", kela);
    // The same, one figure a line, for scripts/bench.sh's table.
    std::printf ("figure connect_se_ms %.1f\nfigure connect_kela_ms %.1f\n", median (se.connectMs), median (kela.connectMs));
    auto clicks = se.clickMs;
    clicks.insert (clicks.end(), kela.clickMs.begin(), kela.clickMs.end());
    std::printf ("figure click_ms %.3f\nfigure click_worst_ms %.3f\nfigure clicks %d\n", median (clicks),
                 *std::max_element (clicks.begin(), clicks.end()), (int) clicks.size());
    if (! prompts.prompts().empty())
        std::printf ("unexpected box: %s\n", prompts.prompts()[0].title.toRawUTF8());
    return prompts.prompts().empty() ? 0 : 1;
}
