// The device page (virtual window "IosDeviceVtrWnd"): finds the connected device and starts its
// scan. Detection and the scan start are the page's own work; this class is where it lives and
// what the main window calls.
#pragma once

#include "toolkit/notify.h"

namespace vesmar {

class CPaintManagerUI;
class CScanVrtWnd;

class CIosDeviceVrtWnd : public CNotifyPump {
 public:
  CIosDeviceVrtWnd(CPaintManagerUI& manager, CScanVrtWnd& scanView);

  void Init();
  // A scan failed to open its source: MSG0201 in an error box ("\n" written as two characters
  // becomes a line break).
  void ShowScanError();

 protected:
  CPaintManagerUI& manager_;
  CScanVrtWnd& scanView_;
};

}  // namespace vesmar
