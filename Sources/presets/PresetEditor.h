#pragma once

// The preset editor page and its two panels.
#include "presets/GUIConfigComponent.h"
#include "presets/GUIEditorTab.h"
#include "presets/GUIPattern.h"
