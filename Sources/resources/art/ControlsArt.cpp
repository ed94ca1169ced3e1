// The slide-switch cap in its three positions, on a transparent ground. The page backgrounds
// draw the plate and slot underneath (artstyle::drawSwitchSlot).

#include "ArtRegistry.h"
#include "ArtStyle.h"

DORVO_ART (toggleSwith3_low_png, 29, 65, ArtFormat::png)    { artstyle::drawSwitchCap (g, 0); }
DORVO_ART (toggleSwith3_center_png, 29, 65, ArtFormat::png) { artstyle::drawSwitchCap (g, 1); }
DORVO_ART (toggleSwith3_high_png, 29, 65, ArtFormat::png)   { artstyle::drawSwitchCap (g, 2); }
