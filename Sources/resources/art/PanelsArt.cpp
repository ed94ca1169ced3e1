// Backgrounds of the Configuration pages.

#include "ArtRegistry.h"
#include "ArtStyle.h"

// The base page's default background; the pages replace it, so it only carries the panel.
DORVO_ART (mainPanel_backGround2_jpg, 1035, 420, ArtFormat::jpeg)
{
    artstyle::drawPageBackground (g, width, height);
}
