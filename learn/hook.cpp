// The learn hook: while it is armed, the driver reports every other
// application's learn to this program, which may accept the burst or answer
// it with the code from the code box.
#include <windows.h>

#include "app/Module1.h"
#include "app/driver.h"
#include "learn/lrntext.h"
#include "ui/frmMain.h"

namespace {

const int32_t HOOK_FORMAT = 16;
const int32_t UNHOOK_FORMAT = 5;

// Sends a hook command word through the driver's learn call; afterwards the
// buffer reads as empty text again.
void sendHookCommand(const char* word, int32_t format, volatile int32_t* flag)
{
    lrntext::writeCommandWord(lrnBuffer, sizeof lrnBuffer, word);
    driver::call(driver::table().TavrixLearnIR, 0, hTavrix, format, lrnBuffer,
                 LearnProgressCallback, 0, flag, 0, -1, 0);
    lrnBuffer[0] = '\0';
}

}  // namespace

void FrmMain::hookLearn()
{
    if (hTavrix == 0 || lrnHooked)
        return;
    sendHookCommand("HOOKLEARN", HOOK_FORMAT, &lrnHookCtl);
    lrnHooked = true;
}

void FrmMain::unhookLearn()
{
    if (hTavrix == 0 || !lrnHooked)
        return;
    sendHookCommand("UNHKLEARN", UNHOOK_FORMAT, &lrnAbort);
    lrnHooked = false;
}

void FrmMain::beginLearn()
{
    storeFlag(&lrnHookCtl, 0);
    startLearn(-1);
}
