#include "device/device_backup.h"

#include <libimobiledevice/mobilebackup2.h>

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>
#include <thread>

#include "device/backup_service_connection.h"
#include "device/device_link_loop.h"
#include "device/info_plist.h"
#include "platform/file_ops.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace fs = std::filesystem;

std::atomic<int> StopRequests{0};
std::atomic<double> OverallProgress{0.0};

namespace {

constexpr const char* kLabel = "idevicebackup2";
constexpr const char* kSyncLockFile = "/com.apple.itunes.lock_sync";
constexpr std::uint64_t kMaxDeviceFile = 64u << 20;  // the optional files of Info.plist are small

constexpr const char* kObserved[] = {
    "com.apple.itunes-client.syncCancelRequest", "com.apple.itunes-client.syncSuspendRequest",
    "com.apple.itunes-client.syncResumeRequest", "com.apple.mobile.lockdown.host_attached",
    "com.apple.mobile.lockdown.host_detached"};

struct LockdownFree {
  void operator()(lockdownd_client_t c) const { lockdownd_client_free(c); }
};
using LockdownPtr = std::unique_ptr<std::remove_pointer_t<lockdownd_client_t>, LockdownFree>;

struct DescriptorFree {
  void operator()(lockdownd_service_descriptor_t d) const { lockdownd_service_descriptor_free(d); }
};
using DescriptorPtr = std::unique_ptr<lockdownd_service_descriptor, DescriptorFree>;

// The leading decimal number of a version text ("12.1" gives 12); 0 when there is none.
int MajorVersion(const std::string& version) {
  int major = 0;
  for (char c : version) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    major = major * 10 + (c - '0');
    if (major > 100000) break;
  }
  return major;
}

// The identifier names the backup's folder, so it must be a plain name. Device identifiers are
// hexadecimal digits, some with one dash; the multiplexer passes on whatever the USB device
// calls its serial number.
bool IsPlainIdentifier(std::string_view udid) {
  if (udid.empty() || udid.size() > 64) return false;
  for (const char c : udid)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
  return true;
}

}  // namespace

CDeviceBackup& CDeviceBackup::GetInstance() {
  static CDeviceBackup instance;
  return instance;
}

CDeviceBackup::~CDeviceBackup() {
  Disconnect();
  CleanBackupFolder();
}

void CDeviceBackup::SetTimings(const DeviceTimings& timings) {
  std::lock_guard lock(mutex_);
  timings_ = timings;
}

void CDeviceBackup::SetProgress(ProgressCallback callback, void* user, int weight) {
  std::lock_guard lock(mutex_);
  callback_ = callback;
  user_ = user;
  progressWeight_ = weight;
}

bool CDeviceBackup::HasDevice() const {
  std::lock_guard lock(mutex_);
  return device_ != nullptr;
}

bool CDeviceBackup::IsDevicePresent() {
  idevice_t device = nullptr;
  if (idevice_new(&device, nullptr) != IDEVICE_E_SUCCESS || !device) return false;
  idevice_free(device);
  return true;
}

std::filesystem::path CDeviceBackup::GetBackupFolder() const {
  std::lock_guard lock(mutex_);
  return backupFolder_;
}

std::string CDeviceBackup::Udid() const {
  std::lock_guard lock(mutex_);
  return udid_;
}

void CDeviceBackup::OnNotification(const char* name, void* user) {
  (void)user;
  if (!name || !*name) return;
  if (std::string_view(name) == "com.apple.itunes-client.syncCancelRequest") StopRequests.fetch_add(1);
}

void CDeviceBackup::PostNotification(const char* name) {
  if (!device_) return;
  lockdownd_client_t raw = nullptr;
  if (lockdownd_client_new_with_handshake(device_, &raw, kLabel) != LOCKDOWN_E_SUCCESS) return;
  LockdownPtr lockdown(raw);
  lockdownd_service_descriptor_t service = nullptr;
  if (lockdownd_start_service(lockdown.get(), NP_SERVICE_NAME, &service) != LOCKDOWN_E_SUCCESS || !service ||
      service->port == 0) {
    std::fprintf(stderr, "Could not start %s\n", NP_SERVICE_NAME);
    if (service) lockdownd_service_descriptor_free(service);
    return;
  }
  DescriptorPtr descriptor(service);
  np_client_t np = nullptr;
  if (np_client_new(device_, descriptor.get(), &np) == NP_E_SUCCESS && np) {
    np_post_notification(np, name);
    np_client_free(np);
  }
}

int CDeviceBackup::Connect(bool& willEncrypt) {
  if (HasDevice()) ReleaseAll();  // a second Connect starts afresh instead of leaking the first
  std::unique_lock lock(mutex_);
  willEncrypt = false;
  if (idevice_new(&device_, nullptr) != IDEVICE_E_SUCCESS || !device_) {
    device_ = nullptr;
    return result::kDeviceGone;
  }
  char* udid = nullptr;
  idevice_get_udid(device_, &udid);
  udid_ = udid ? udid : "";
  std::free(udid);
  if (!IsPlainIdentifier(udid_)) {
    std::fprintf(stderr, "The device's identifier is not a plain name; it is not used\n");
    udid_.clear();
    lock.unlock();
    ReleaseAll();
    return result::kInvalid;
  }

  auto fail = [&](int rc) {
    if (lock.owns_lock()) lock.unlock();
    ReleaseAll();
    return rc;
  };
  if (const lockdownd_error_t rc = lockdownd_client_new_with_handshake(device_, &lockdown_, kLabel);
      rc != LOCKDOWN_E_SUCCESS) {
    lockdown_ = nullptr;
    return fail(rc);
  }

  lockdownd_service_descriptor_t service = nullptr;
  if (lockdownd_start_service(lockdown_, NP_SERVICE_NAME, &service) != LOCKDOWN_E_SUCCESS || !service ||
      service->port == 0) {
    if (service) lockdownd_service_descriptor_free(service);
    return fail(result::kDeviceGone);
  }
  DescriptorPtr npService(service);
  if (np_client_new(device_, npService.get(), &notifications_) != NP_E_SUCCESS) notifications_ = nullptr;
  if (notifications_) {
    np_set_notify_callback(notifications_, &CDeviceBackup::OnNotification, this);
    for (const char* name : kObserved) np_observe_notification(notifications_, name);
  }

  service = nullptr;
  if (lockdownd_start_service(lockdown_, AFC_SERVICE_NAME, &service) == LOCKDOWN_E_SUCCESS && service &&
      service->port != 0) {
    if (afc_client_new(device_, service, &afc_) != AFC_E_SUCCESS) afc_ = nullptr;
  }
  if (service) lockdownd_service_descriptor_free(service);

  service = nullptr;
  lockdownd_error_t started = lockdownd_start_service_with_escrow_bag(lockdown_, MOBILEBACKUP2_SERVICE_NAME, &service);
  if (started != LOCKDOWN_E_SUCCESS) {
    if (service) lockdownd_service_descriptor_free(service);
    service = nullptr;
    started = lockdownd_start_service(lockdown_, MOBILEBACKUP2_SERVICE_NAME, &service);
  }
  if (started != LOCKDOWN_E_SUCCESS) {
    if (service) lockdownd_service_descriptor_free(service);
    return fail(started);
  }
  DescriptorPtr backupService(service);
  if (backupService && backupService->port != 0) {
    if (const int rc = CBackupServiceConnection::Open(device_, backupService.get(), backupService_); rc != 0)
      return fail(rc);
    lock.unlock();
    PostNotification("com.apple.itunes-mobdev.syncWillStart");
    if (const int rc = StartSyncLock(); rc != 0) return fail(rc);
    lock.lock();
    willEncrypt_ = false;
    plist_t value = nullptr;
    lockdownd_get_value(lockdown_, "com.apple.mobile.backup", "WillEncrypt", &value);
    PlistPtr owned(value);
    if (const auto flag = PlistBool(value)) willEncrypt_ = *flag;
    willEncrypt = willEncrypt_;
  }
  lock.unlock();

  std::string scratch;
  ReadCachedValue("ProductVersion", productVersion_, scratch, true);
  ReadCachedValue("DeviceName", deviceName_, scratch, true);
  ReadCachedValue("DeviceClass", deviceClass_, scratch, true);
  return 0;
}

// Opens the sync lock file and takes its lock, retrying while another program holds it. After
// the last refusal the backup goes on without the lock.
int CDeviceBackup::StartSyncLock() {
  if (!afc_) return 0;
  std::uint64_t handle = 0;
  if (afc_file_open(afc_, kSyncLockFile, AFC_FOPEN_RW, &handle) != AFC_E_SUCCESS || handle == 0) return 0;
  syncLock_ = handle;
  PostNotification("com.apple.itunes-mobdev.syncLockRequest");
  for (int attempt = 0; attempt < timings_.syncLockTries; ++attempt) {
    const afc_error_t rc = afc_file_lock(afc_, syncLock_, AFC_LOCK_EX);
    if (rc == AFC_E_SUCCESS) {
      PostNotification("com.apple.itunes-mobdev.syncDidStart");
      return 0;
    }
    if (rc != AFC_E_OP_WOULD_BLOCK) {
      afc_file_close(afc_, syncLock_);
      syncLock_ = 0;
      return rc;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(timings_.syncLockRetryMs));
  }
  std::fprintf(stderr, "The device's sync lock is held elsewhere; going on without it\n");
  return 0;
}

void CDeviceBackup::ReleaseSyncLock() {
  if (syncLock_ == 0 || !afc_) return;
  afc_file_lock(afc_, syncLock_, AFC_LOCK_UN);
  afc_file_close(afc_, syncLock_);
  syncLock_ = 0;
  PostNotification("com.apple.itunes-mobdev.syncDidFinish");
}

void CDeviceBackup::ReleaseAll() {
  std::lock_guard lock(mutex_);
  if (lockdown_) lockdownd_client_free(lockdown_);
  lockdown_ = nullptr;
  ReleaseSyncLock();
  syncLock_ = 0;
  backupService_.reset();
  if (afc_) afc_client_free(afc_);
  afc_ = nullptr;
  if (notifications_) np_client_free(notifications_);
  notifications_ = nullptr;
  if (device_) idevice_free(device_);
  device_ = nullptr;
  productVersion_.clear();
  deviceName_.clear();
  deviceClass_.clear();
  twoLevelLayout_ = false;
  newSchema_ = false;
}

int CDeviceBackup::Disconnect() {
  ReleaseAll();
  return 0;
}

int CDeviceBackup::ReadLockdownText(const char* key, std::string& out) {
  std::lock_guard lock(mutex_);
  if (!lockdown_) return result::kInvalid;
  plist_t values = nullptr;
  if (lockdownd_get_value(lockdown_, nullptr, nullptr, &values) != LOCKDOWN_E_SUCCESS || !values)
    return result::kInvalid;
  PlistPtr owned(values);
  const auto text = PlistText(plist_dict_get_item(values, key));
  if (!text) return result::kInvalid;
  out = *text;
  return 0;
}

int CDeviceBackup::ReadCachedValue(const char* key, std::string& cache, std::string& out, bool fill) {
  {
    std::lock_guard lock(mutex_);
    if (!cache.empty()) {
      out = cache;
      return result::kInvalid;
    }
  }
  std::string fresh;
  if (const int rc = ReadLockdownText(key, fresh); rc != 0) return rc;
  if (std::string_view(key) == "ProductVersion") NoteProductVersion(fresh);
  out = fresh;
  if (fill) {
    std::lock_guard lock(mutex_);
    cache = fresh;
  }
  return 0;
}

void CDeviceBackup::NoteProductVersion(const std::string& version) {
  const int major = MajorVersion(version);
  if (major > 9) twoLevelLayout_ = true;
  if (major > 11) newSchema_ = true;
}

int CDeviceBackup::GetDeviceName(std::string& name) { return ReadCachedValue("DeviceName", deviceName_, name, false); }
int CDeviceBackup::GetProductVersion(std::string& version) {
  return ReadCachedValue("ProductVersion", productVersion_, version, false);
}
int CDeviceBackup::GetDeviceClass(std::string& deviceClass) {
  return ReadCachedValue("DeviceClass", deviceClass_, deviceClass, false);
}

int CDeviceBackup::RunExchange(const fs::path& root) {
  LinkContext context;
  context.stopRequests = &StopRequests;
  context.overallProgress = &OverallProgress;
  {
    std::lock_guard lock(mutex_);
    context.callback = callback_;
    context.user = user_;
    context.weight = progressWeight_;
    context.timings = timings_.link;
  }
  context.devicePresent = [this] { return HasDevice() && IsDevicePresent(); };
  // Only while the exchange runs: the count is reset when it starts, and a stop left over from
  // an earlier one must not break the next connection's handshake.
  backupService_->WatchStop(&StopRequests);
  const int rc = RunDeviceLinkLoop(*backupService_, root, context);
  backupService_->WatchStop(nullptr);
  std::lock_guard lock(mutex_);
  ReleaseSyncLock();
  return rc;
}

int CDeviceBackup::ChangePassword(const std::string& password) {
  if (!willEncrypt_) return 0;
  if (password.empty()) return result::kInvalid;
  if (!backupService_) return result::kDeviceGone;
  PlistPtr body(plist_new_dict());
  plist_dict_set_item(body.get(), "MessageName", plist_new_string("ChangePassword"));
  plist_dict_set_item(body.get(), "TargetIdentifier", plist_new_string(Udid().c_str()));
  plist_dict_set_item(body.get(), "OldPassword", plist_new_string(password.c_str()));
  if (const int rc = backupService_->SendProcessMessage(body.get()); rc != 0) return rc;
  const int rc = RunExchange({});
  if (rc == 0) willEncrypt_ = false;
  return rc;
}

int CDeviceBackup::Backup(const fs::path& root, const std::string& password) {
  std::error_code ec;
  fs::create_directories(root, ec);
  finished_ = false;
  struct Done {
    std::atomic<bool>& flag;
    ~Done() { flag = true; }
  } done{finished_};

  if (!backupService_ || Udid().empty()) return result::kDeviceGone;
  if (willEncrypt_) {
    if (const int rc = ChangePassword(password); rc != 0) return rc;
  }
  {
    std::lock_guard lock(mutex_);
    backupFolder_ = root / udid_;
  }
  const int rc = RunBackup(root);
  if (rc != 0) CleanBackupFolder();
  return rc;
}

int CDeviceBackup::RunBackup(const fs::path& root) {
  if (root.empty() || !FolderExists(root)) return result::kInvalid;
  const std::string udid = Udid();
  const fs::path folder = root / udid;
  CreateFolders(folder);
  const fs::path infoPath = folder / "Info.plist";
  DeleteFileIfPresent(infoPath);
  {
    std::ofstream out(infoPath, std::ios::binary | std::ios::trunc);
    if (PlistPtr info = BuildInfoPlist()) out << PlistToXml(info.get());
  }
  if (const int rc = backupService_->SendRequest("Backup", udid, udid, nullptr); rc != 0) return rc;
  return RunExchange(root);
}

PlistPtr CDeviceBackup::BuildInfoPlist() {
  InfoPlistSources sources;
  PlistPtr values, settings;
  {
    std::lock_guard lock(mutex_);
    if (!lockdown_) return nullptr;
    plist_t node = nullptr;
    if (lockdownd_get_value(lockdown_, nullptr, nullptr, &node) != LOCKDOWN_E_SUCCESS || !node) return nullptr;
    values.reset(node);
    node = nullptr;
    if (lockdownd_get_value(lockdown_, "com.apple.iTunes", nullptr, &node) == LOCKDOWN_E_SUCCESS) settings.reset(node);
    sources.udid = udid_;
  }
  sources.values = values.get();
  sources.iTunesSettings = settings.get();
  sources.iBooksData = ReadDeviceFile("/Books/iBooksData2.plist");
  for (const char* name : kITunesFileNames) {
    if (auto content = ReadDeviceFile(std::string("/iTunes_Control/iTunes/") + name))
      sources.iTunesFiles.emplace_back(name, std::move(*content));
  }
  sources.now = std::time(nullptr);
  return MakeInfoPlist(sources);
}

std::optional<std::string> CDeviceBackup::ReadDeviceFile(const std::string& devicePath) {
  std::lock_guard lock(mutex_);
  if (!afc_) return std::nullopt;
  char** info = nullptr;
  if (afc_get_file_info(afc_, devicePath.c_str(), &info) != AFC_E_SUCCESS || !info) return std::nullopt;
  std::uint64_t size = 0;
  for (char** p = info; p[0] && p[1]; p += 2)
    if (std::string_view(p[0]) == "st_size") size = std::strtoull(p[1], nullptr, 10);
  afc_dictionary_free(info);
  if (size == 0 || size > kMaxDeviceFile) return std::nullopt;

  std::uint64_t handle = 0;
  if (afc_file_open(afc_, devicePath.c_str(), AFC_FOPEN_RDONLY, &handle) != AFC_E_SUCCESS || handle == 0)
    return std::nullopt;
  std::string data(static_cast<std::size_t>(size), '\0');
  std::uint64_t got = 0;
  while (got < size) {
    std::uint32_t n = 0;
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - got, 1u << 20));
    if (afc_file_read(afc_, handle, data.data() + got, want, &n) != AFC_E_SUCCESS || n == 0) break;
    got += n;
  }
  afc_file_close(afc_, handle);
  if (got != size) return std::nullopt;
  return data;
}

void CDeviceBackup::CleanBackupFolder() {
  const fs::path folder = GetBackupFolder();
  if (folder.empty()) return;
  auto deleteFiles = [](const fs::path& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const std::string name = it->path().filename().string();
      std::error_code e;
      if (name.empty() || name[0] == '.' || it->is_directory(e)) continue;
      fs::remove(it->path(), e);
    }
  };
  deleteFiles(folder);
  const fs::path snapshot = folder / "Snapshot";
  if (FolderExists(snapshot)) {
    deleteFiles(snapshot);
    std::error_code ec;
    fs::remove(snapshot, ec);
  }
}

}  // namespace vesmar
