// Control and menu identifiers of Pellwick's windows. The end-to-end tests
// find controls by these numbers.
#pragma once

// frmMain: groups
#define IDC_FRAME1 101  // "Received Tavro Event Code:"
#define IDC_FRAME2 102  // "IR Code (Pronto Format):"
#define IDC_FRAME3 103  // "Tavrix Info:"
#define IDC_FRAME4 104  // "Learn Status:"

// frmMain: controls
#define IDC_LBLINFO 110
#define IDC_LBLTAVROCODE 111
#define IDC_TBCURCODE 120
#define IDC_CBLEARNIRCODE 121
#define IDC_CBTRANSMITIRCODE 122
#define IDC_LBLLRNSTATUS 130
#define IDC_LBLINSTRUCT1 131
#define IDC_LBLINSTRUCT2 132
#define IDC_LBLSIGQUALITY 133
#define IDC_PBSIGQUALITY 134
#define IDC_LBLLRNPROGRESS 135
#define IDC_LBLCARRIER 136
#define IDC_LBLCARRIERFREQ 137
#define IDC_PBLEARNPROGRESS3 138
#define IDC_CBINJECTIR 139
#define IDC_CBLEARNASBURST 140
#define IDC_CBLEARNCANCEL 141

// frmMain: timer and menu commands
#define IDT_TIMER1 1
#define IDM_FILEEXIT 200
#define IDM_TRANSMITTXBLOCK 210
#define IDM_LEARNIRLEARNPRONTO 220
#define IDM_LRNINJECT 221
#define IDM_HELPABOUT 230
#define IDM_CODEINSPECT 240
#define IDM_CODEGENERATE 241
#define IDM_CODELIBRARY 242

// frmAbout
#define IDC_PICICON 300
#define IDC_LBLTITLE 301
#define IDC_LBLVERSION 302
#define IDC_LBLDESCRIPTION 303
#define IDC_LBLDISCLAIMER 304
#define IDC_CMDOK 1  // IDOK: Enter and Escape
#define IDC_CMDSYSINFO 305

// frmTX
#define IDC_LABEL1 400

// frmInspect
#define IDC_INSPECT_LBLDECODE 500
#define IDC_INSPECT_DECODE 501
#define IDC_INSPECT_LBLFACTS 502
#define IDC_INSPECT_FACTS 503
#define IDC_INSPECT_WAVEFORM 504
#define IDC_INSPECT_LBLWAVEFORM 505
#define IDC_INSPECT_COPY 506
#define IDC_INSPECT_SAVESVG 507

// frmGenerate (a dialog: IDOK and IDCANCEL are its buttons)
#define IDD_GENERATE 600
#define IDC_GEN_LBLPROTOCOL 601
#define IDC_GEN_PROTOCOL 602
#define IDC_GEN_IRP 603
#define IDC_GEN_LABEL_D 610  // label of the protocol's parameter n (0 to 5): IDC_GEN_LABEL_D + n
#define IDC_GEN_VALUE_D 620  // its field: IDC_GEN_VALUE_D + n
#define IDC_GEN_LBLDECODE 630
#define IDC_GEN_DECODE 631  // the decode of the code the fields make, or why there is none
#define IDC_GEN_LBLCODE 632
#define IDC_GEN_CODE 633    // that code

// frmLibrary: controls (buttons double as menu commands) and menu commands
#define IDC_LIB_LBLREMOTES 700
#define IDC_LIB_REMOTES 701
#define IDC_LIB_NEW 702
#define IDC_LIB_RENAMEREMOTE 703
#define IDC_LIB_DELETEREMOTE 704
#define IDC_LIB_LBLFILTER 705
#define IDC_LIB_FILTER 706
#define IDC_LIB_LBLCODES 707
#define IDC_LIB_CODES 708
#define IDC_LIB_LEARN 709
#define IDC_LIB_ADD 710
#define IDC_LIB_PUT 711
#define IDC_LIB_TRANSMIT 712
#define IDC_LIB_INJECT 713
#define IDC_LIB_STATUS 714
#define IDM_LIB_RELOAD 730
#define IDM_LIB_CLOSE 731
#define IDM_LIB_RENAMECODE 732
#define IDM_LIB_DELETECODE 733
#define IDM_LIB_UNDO 734
#define IDM_LIB_MOVEUP 735
#define IDM_LIB_MOVEDOWN 736
#define IDM_LIB_IMPORTFILES 737
#define IDM_LIB_IMPORTFOLDER 738
#define IDM_LIB_EXPORT 739
// The library's import: progress, then what came in.
#define IDD_LIBIMPORT 750
#define IDC_IMP_TEXT 751
#define IDC_IMP_PROGRESS 752
#define IDC_IMP_SUMMARY 753

// Resources
#define IDI_PELLWICK 1
#define IDR_MAINMENU 10
