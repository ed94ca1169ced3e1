#include "app/DorvoEditorApplication.h"

START_JUCE_APPLICATION (DorvoEditorApplication)
