// Dialog, icon and control ids, shared by the resource script, the dialog's
// logic and the end-to-end driver.
#pragma once

#define IDD_MERORVS_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_CANCEL 2
#define IDC_KEY_1 1000
#define IDC_KEY_2 1001
#define IDC_KEY_1_2 1002
#define IDC_KEY_4 1003
#define IDC_KEY_5 1004
#define IDC_KEY_TO_PC 1005
#define IDC_STATUS_LABEL 1007
#define IDC_STATUS_LOG 1008
#define IDC_INIT_KEY 1009
#define IDC_START 1010
#define IDC_DIRECTORY 1011
#define IDC_DELETE_FILES 1012
#define IDC_FORMAT 1013
#define IDC_PROGRESS 1014
#define IDC_FILE_LIST 1015
#define IDC_CLEAR_DISPLAY 1016
#define IDC_TEST 1018
#define IDC_PREPARE_KEY 1020
#define IDC_COUNTER 1021
#define IDC_SERIAL 1022
#define IDC_OUTPUT_LABEL 1023
#define IDC_BAUD_RATE 1024
#define IDC_DELETE_AFTER 1026
