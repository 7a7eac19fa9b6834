#include "recovery/parser_factory.h"

#include "recovery/device_recovery.h"
#include "recovery/local_backup_recovery.h"

namespace vesmar {

std::unique_ptr<IPhoneRecoveryParse> CreateParser(int source, CItunesBackup* backup) {
  std::unique_ptr<IPhoneRecoveryParse> parser;
  if (source == static_cast<int>(ScanSource::Device)) {
    parser = std::make_unique<CDeviceRecovery>();
  } else if (source == static_cast<int>(ScanSource::Backup)) {
    parser = std::make_unique<CLocalBuckupRecovery>();
  } else {
    return nullptr;
  }
  parser->Attach(backup);
  return parser;
}

}  // namespace vesmar
