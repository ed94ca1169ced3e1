#include "presets/PresetEditor.h"

// The preset editor's classes live in GUIEditorTab, GUIPattern and GUIConfigComponent.
