// The main window: its layout, its event handlers and the learn display.
// Handlers are defined in the file of the subsystem they belong to:
// app/startup.cpp, app/shutdown.cpp, learn/*.cpp, code/*.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class FrmMain {
public:
    // Creates the window and its controls, hidden; nullptr on failure.
    HWND create(HINSTANCE instance);
    HWND hwnd() const { return hwnd_; }

    // The main window's own keyboard handling, called by the message loop
    // for every message before it is translated: true when the key was
    // handled here and must not reach the control.
    bool translateKey(const MSG& msg);

    // Start-up and shutdown.
    void Form_Load();
    void Form_Unload();

    // Public methods called from the relay window.
    void beginLearn();
    void endLearn();
    void showReceivedCode(const std::string& code);
    void DrawLearnProgress(int progress);
    void DrawSignalQuality(int quality);
    void showCarrierFrequency(const std::string& caption);
    void enableAcceptBurst(bool enabled);

    // Event handlers.
    void cbLearnIRCode_Click();
    void mnuLearnIRLearnPronto_Click();
    void cbLearnCancel_Click();
    void cbLearnAsBurst_Click();
    void cbInjectIR_Click();
    void mnuLrnInject_Click();
    void cbTransmitIRCode_Click();
    void mnuTransmitTXBlock_Click();
    void tbCurCode_Change();
    void Timer1_Timer();
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();
    void mnuCodeInspect_Click();
    void mnuCodeGenerate_Click();
    void mnuCodeLibrary_Click();

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code);
    LRESULT onCtlColorStatic(HDC dc, HWND control);
    void createControls();
    void unload();

    void startLearn(int32_t format);
    void hookLearn();
    void unhookLearn();
    void showDeviceInfo();

    // The code box text as the driver sees it (ANSI code page, characters
    // without a single-byte form replaced by the code page's default).
    std::string codeBoxText() const;
    // Sets the code box text; runs the code box check once when it changed.
    void setCodeBoxText(const std::string& text);
    // Whether text can be handed to another program's learn at all.
    bool injectAllowed(const std::string& text) const;

    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    // The next control that can take the focus after `from` in tab order
    // (before it when backward), wrapping around; null when there is none.
    HWND nextTabStop(HWND from, bool backward) const;
    // Keeps the focus on a control that can take it: called before the
    // focused control is hidden or disabled.
    void moveFocusFrom(HWND control);
    void setVisible(int id, bool visible);
    void setEnabled(int id, bool enabled);
    bool isVisible(int id) const;
    bool isEnabled(int id) const;
    void setCaption(int id, const std::string& text);
    void enableTransmitMenu(bool enabled);
    void enableMenuItem(UINT id, bool enabled);

    HWND hwnd_ = nullptr;
    HFONT dialogFont_ = nullptr;
    HFONT tavroCodeFont_ = nullptr;
    COLORREF tavroCodeColor_ = RGB(0, 0, 0);
    bool lrnHooked = false;
    bool settingCodeText_ = false;
    HWND lastFocus_ = nullptr;  // the control to give the focus back to
    unsigned learnsStarted_ = 0;  // tells one learn from the next
    bool unloaded_ = false;
};
