// The IR code box check: every change of the box text is validated by the
// driver, and the result decides which of transmit and inject are offered.
#include <windows.h>

#include <vector>

#include "app/Module1.h"
#include "app/driver.h"
#include "learn/lrntext.h"
#include "ui/frmInspect.h"
#include "ui/frmMain.h"
#include "ui/ids.h"

void FrmMain::tbCurCode_Change()
{
    std::string text = codeBoxText();
    frmInspect::follow(text);
    // The inject button is visible exactly while a learn is under way.
    bool learning = isVisible(IDC_CBINJECTIR);
    bool hookedLearn = learning && lrnFormat < 0;

    if (text.empty()) {
        setEnabled(IDC_CBTRANSMITIRCODE, false);
        enableTransmitMenu(false);
        // Answering another program's learn with no code at all is never
        // what the user wants.
        if (hookedLearn)
            setEnabled(IDC_CBINJECTIR, false);
        return;
    }

    std::vector<char> converted(TAVRIX_BUFFER_SIZE, '\0');
    int32_t convertedValue = 0;
    bool valid = driver::call(driver::table().TavrixConvertProntoCode, 0, text.c_str(),
                              converted.data(), &convertedValue, 0, 0) != 0;

    bool transmit = valid && !learning;
    setEnabled(IDC_CBTRANSMITIRCODE, transmit);
    enableTransmitMenu(transmit);
    if (hookedLearn)
        setEnabled(IDC_CBINJECTIR, valid && injectAllowed(text));
}

bool FrmMain::injectAllowed(const std::string& text) const
{
    // The code and its NUL must fit the learn buffer.
    return !text.empty() && text.size() <= lrntext::maxInjectLength(sizeof lrnBuffer);
}
