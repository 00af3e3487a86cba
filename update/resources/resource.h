// Identifiers of the resources of Update.exe. The embedded installer is found by the name
// "IDR_XDATA" (a string), so that name must never be defined as a number here.
#pragma once

#define IDR_MAINFRAME 128       // program icon
#define IDC_HAND_CURSOR 133     // pointing hand over the About box's links

#define IDD_ABOUTBOX 100
#define IDD_UPDATE_DIALOG 102

#define IDM_ABOUTBOX 0x0010     // system-menu command of the About box

// About box
#define IDC_ABOUT_COPYRIGHT 1000
#define IDC_ABOUT_VERSION 1001
#define IDC_ABOUT_HOMEPAGE 1011
#define IDC_ABOUT_EMAIL 1012

// Update wizard
#define IDC_FILE_LIST 1003
#define IDC_TOTAL_PROGRESS 1185
#define IDC_FILE_PROGRESS 1186
#define IDC_LIST_LABEL 1189
#define IDC_PHASE_LABEL 1190
#define IDC_FILE_LABEL 1191
#define IDC_STATUS_LABEL 1192
