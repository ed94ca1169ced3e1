// The 17 frames of the turning knob: frame 1 points lower left, each frame turns one equal
// step clockwise, frame 9 points straight up and frame 17 lower right.

#include "ArtRegistry.h"
#include "ArtStyle.h"

DORVO_ART (knob171_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 1); }
DORVO_ART (knob172_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 2); }
DORVO_ART (knob173_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 3); }
DORVO_ART (knob174_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 4); }
DORVO_ART (knob175_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 5); }
DORVO_ART (knob176_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 6); }
DORVO_ART (knob177_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 7); }
DORVO_ART (knob178_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 8); }
DORVO_ART (knob179_png, 66, 65, ArtFormat::png)  { artstyle::drawKnobFrame (g, 9); }
DORVO_ART (knob1710_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 10); }
DORVO_ART (knob1711_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 11); }
DORVO_ART (knob1712_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 12); }
DORVO_ART (knob1713_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 13); }
DORVO_ART (knob1714_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 14); }
DORVO_ART (knob1715_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 15); }
DORVO_ART (knob1716_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 16); }
DORVO_ART (knob1717_png, 66, 65, ArtFormat::png) { artstyle::drawKnobFrame (g, 17); }
