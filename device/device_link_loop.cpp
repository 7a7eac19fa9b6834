#include "device/device_link_loop.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>

#include "device/backup_file_transfer.h"
#include "device/backup_folder_ops.h"
#include "platform/volumes.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace fs = std::filesystem;

bool PauseUnlessStopped(const LinkContext& context, unsigned ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!context.StopRequested()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(context.timings.sliceMs)));
  }
  return false;
}

namespace {

enum class Wait { Message, Nothing, Gone };

// Waits up to one message wait, in slices so that a stop request is seen.
Wait WaitForMessage(IDeviceLinkChannel& channel, PlistPtr& message, const LinkContext& context) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(context.timings.messageWaitMs);
  do {
    switch (channel.ReceiveMessage(message, context.timings.sliceMs)) {
      case ReceiveStatus::Data: return Wait::Message;
      case ReceiveStatus::Closed: return Wait::Gone;
      case ReceiveStatus::Timeout: break;
    }
  } while (!context.StopRequested() && std::chrono::steady_clock::now() < end);
  return Wait::Nothing;
}

// Item `index` as the backup's own progress, taken when it moves forward by less than 99.
void TakeProgress(plist_t message, std::uint32_t index, const LinkContext& context) {
  const auto value = PlistReal(PlistItem(message, index));
  if (!value || !context.overallProgress) return;
  const double current = context.overallProgress->load();
  if (*value > 0 && *value - current < 99) context.overallProgress->store(*value);
}

int SendStatus(IDeviceLinkChannel& channel, const FolderOpStatus& status, bool withContent) {
  PlistPtr content(withContent ? plist_new_dict() : nullptr);
  return channel.SendStatusResponse(status.code, status.description.empty() ? nullptr : status.description.c_str(),
                                    content.get());
}

int ClampResult(std::int64_t value) {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

int RunDeviceLinkLoop(IDeviceLinkChannel& channel, const fs::path& root, const LinkContext& context) {
  if (context.overallProgress) context.overallProgress->store(0);
  if (context.stopRequests) context.stopRequests->store(0);
  int result = 0;
  int idleWaits = 0;
  const bool haveRoot = !root.empty();

  while (true) {
    PlistPtr message;
    const Wait wait = WaitForMessage(channel, message, context);
    if (wait == Wait::Gone) {
      // The connection is closed: nothing more can come, so waiting would only delay the end.
      context.RequestStop();
      result = result::kDeviceGone;
      break;
    }
    if (wait == Wait::Message) {
      plist_t msg = message.get();
      const std::string name = PlistText(PlistItem(msg, 0)).value_or("");
      const std::uint32_t items = PlistSize(msg);
      bool leave = false;

      if (name == "DLMessageDownloadFiles") {
        TakeProgress(msg, 3, context);
        if (items >= 2 && haveRoot) SendFiles(channel, root, PlistItem(msg, 1));
      } else if (name == "DLMessageUploadFiles") {
        TakeProgress(msg, 2, context);
        if (items >= 4 && haveRoot) ReceiveFiles(channel, root, context);
      } else if (name == "DLMessageGetFreeDiskSpace") {
        const auto free = FreeBytes(haveRoot ? root : fs::current_path());
        PlistPtr content(plist_new_uint(free.value_or(0)));
        channel.SendStatusResponse(free ? 0 : -1, nullptr, content.get());
      } else if (name == "DLContentsOfDirectory") {
        if (items >= 2 && haveRoot) {
          const auto folder = PlistText(PlistItem(msg, 1));
          if (!folder) {
            std::fprintf(stderr, "ERROR: Malformed DLContentsOfDirectory message\n");
          } else {
            FolderOpStatus status;
            PlistPtr listing = ListDeviceDirectory(root, *folder, status);
            if (const int rc = channel.SendStatusResponse(status.code, nullptr, listing.get()); rc != 0)
              std::fprintf(stderr, "Could not send status response, error %d\n", rc);
          }
        }
      } else if (name == "DLMessageCreateDirectory") {
        if (items >= 2 && haveRoot) {
          const auto folder = PlistText(PlistItem(msg, 1));
          SendStatus(channel, folder ? CreateDeviceDirectory(root, *folder) : FolderOpStatus{}, false);
        }
      } else if (name == "DLMessageMoveFiles" || name == "DLMessageMoveItems") {
        TakeProgress(msg, 3, context);
        result = SendStatus(channel, MoveDeviceItems(root, PlistItem(msg, 1)), true);
      } else if (name == "DLMessageRemoveFiles" || name == "DLMessageRemoveItems") {
        TakeProgress(msg, 3, context);
        result = SendStatus(channel, RemoveDeviceItems(root, PlistItem(msg, 1)), true);
      } else if (name == "DLMessageCopyItem") {
        const auto from = PlistText(PlistItem(msg, 1));
        const auto to = PlistText(PlistItem(msg, 2));
        FolderOpStatus status;
        if (from && to) status = CopyDeviceItem(root, *from, *to);
        result = SendStatus(channel, status, true);
      } else if (name == "DLMessageDisconnect") {
        leave = true;
      } else if (name == "DLMessageProcessMessage") {
        plist_t body = PlistItem(msg, 1);
        if (body && plist_get_node_type(body) == PLIST_DICT) {
          if (const auto code = PlistSigned(plist_dict_get_item(body, "ErrorCode"))) result = ClampResult(-*code);
          if (const auto content = PlistText(plist_dict_get_item(body, "Content")))
            std::fprintf(stderr, "%s\n", content->c_str());
        }
        leave = true;
      }
      if (leave) break;
      if (context.callback) {
        const double overall = context.overallProgress ? context.overallProgress->load() : 0.0;
        const int answer = context.callback(context.user, static_cast<int>(context.weight * overall / 100));
        if (answer != 0) {
          result = answer;
          break;
        }
      }
    } else if (!context.StopRequested() && PauseUnlessStopped(context, context.timings.idlePauseMs)) {
      if (!context.DevicePresent() || ++idleWaits > context.timings.idleLimit) {
        context.RequestStop();
        result = result::kDeviceGone;
      }
    }
    if (context.StopRequested()) {
      result = result::kDeviceGone;
      break;
    }
  }
  return result;
}

}  // namespace vesmar
