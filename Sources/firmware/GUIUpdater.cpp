#include "firmware/GUIUpdater.h"
#include "ActionCodes.h"

GUIUpdater::GUIUpdater()
    : GUIPushButton (DORVO_PUSH_BUTTON_PICTURES_OF (GUIUpdater, 0x00b6a1a1))
{
}

void GUIUpdater::clicked()
{
    sendActionMessage (ActionCode::firmwareUpdate);
}
