// STUB: the conversion run.
#include "convert/ConvertController.h"
void ConvertController::cmdConvert_Click() {}
void ConvertController::cmdCancel_Click() {}
void ConvertController::mnuExit_Click() {}
bool ConvertController::requestClose() { return true; }
