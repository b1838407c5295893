// Alarm and bookmark lists from a confused or hostile phone: every walk ends inside the body, no
// thumbnail over the limit is kept, the editor's clock gives a position for whatever hour arrived,
// and the requests built from what was read count their own length right.
#include "devlink/ByteOrder.h"
#include "manage/alarms/AlarmWire.h"
#include "manage/alarms/BookmarkWire.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvik;
  const WireList<AlarmRow> alarms = parseAlarmList(data, size);
  std::vector<int32_t> ids;
  for (const AlarmRow& a : alarms.records) {
    const AlarmClock c = alarmClockFor(a.hour, a.minute);
    if (c.hourIndex < 0 || c.hourIndex > 11 || c.minuteIndex < 0 || c.minuteIndex > 59) std::abort();
    const int32_t hour = alarmHourFor(c.afternoon, c.hourIndex);
    if (hour < 0 || hour > 23) std::abort();
    AlarmEdit e{a.title, hour, c.minuteIndex, a.daysMask, a.enabled == 1, a.vibrate == 1, a.ringtoneUri};
    const Bytes request = updateAlarmRequest(static_cast<int32_t>(a.alarmId), e);
    if (getInt32(request.data() + 4) != static_cast<int32_t>(request.size())) std::abort();
    ids.push_back(static_cast<int32_t>(a.alarmId));
  }
  if (deleteAlarmsRequest(ids).size() != 12 + 4 * ids.size()) std::abort();
  const WireList<BookmarkRow> bookmarks = parseBookmarkList(data, size);
  for (const BookmarkRow& b : bookmarks.records) {
    if (b.thumbnail.size() > kMaxBookmarkThumbnail || b.thumbnail.size() > size) std::abort();
    const Bytes request = updateBookmarkRequest(static_cast<int32_t>(b.bookmarkId), {b.title, b.url, b.visits});
    if (getInt32(request.data() + 4) != static_cast<int32_t>(request.size())) std::abort();
    isWebAddress(b.url);
  }
  return 0;
}
