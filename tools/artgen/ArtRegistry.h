#pragma once

// Registry of every picture the system embeds. Each picture is drawn by code at its exact
// pixel size; the art tool renders them all and writes the per-class embedded copies.
//
// In a source under Sources/resources/art:
//
//     DORVO_ART (knob171_png, 66, 65, ArtFormat::png)
//     {
//         g.fillAll (...);     // g, width and height are in scope
//     }

#include "JuceIncludes.h"
#include <functional>
#include <vector>

enum class ArtFormat { png, jpeg };

struct ArtPicture
{
    const char* name;
    int width;
    int height;
    ArtFormat format;
    std::function<void (juce::Graphics& g, int width, int height)> draw;
};

std::vector<ArtPicture>& artRegistry();

struct ArtRegistrar
{
    ArtRegistrar (const char* name, int w, int h, ArtFormat f,
                  std::function<void (juce::Graphics&, int, int)> draw)
    {
        artRegistry().push_back ({ name, w, h, f, std::move (draw) });
    }
};

#define DORVO_ART_CONCAT2(a, b) a##b
#define DORVO_ART_CONCAT(a, b) DORVO_ART_CONCAT2 (a, b)

#define DORVO_ART(picName, w, h, fmt)                                                          \
    static void DORVO_ART_CONCAT (draw_, picName) (juce::Graphics& g, int width, int height);  \
    static ArtRegistrar DORVO_ART_CONCAT (registrar_, picName) (#picName, w, h, fmt,           \
                                                                &DORVO_ART_CONCAT (draw_, picName)); \
    static void DORVO_ART_CONCAT (draw_, picName) ([[maybe_unused]] juce::Graphics& g,        \
                                                   [[maybe_unused]] int width,                 \
                                                   [[maybe_unused]] int height)
