// LocalDate, LocalTime, SystemDate and SystemTime: the last network time in the user's locale, the
// date in its short date format and the time of day in its time format. Under the C locale the fixed
// formats are "yyyy-MM-dd" and "HH:mm:ss", the same the variant conversion gives a date value.
#include "platform/base/locale.h"
#include "time/control/time_client.h"

namespace qs::time {

HRESULT TimeClient::TimeText(bool local, Text text, BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char buffer[kTimeTextCap] = "";
    SYSTEMTIME fields;
    if (lastTime_ != 0 && NetworkTimeToCalendar(lastTime_, &fields, local)) {
        const int written = text == Text::kDate
                                ? GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE | LOCALE_USE_CP_ACP, &fields,
                                                 nullptr, buffer, sizeof buffer)
                                : GetTimeFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, &fields, nullptr, buffer,
                                                 sizeof buffer);
        if (written == 0)
            buffer[0] = '\0';
    }
    return TextResult(buffer, value);
}

HRESULT TimeClient::get_LocalDate(BSTR *value) { return TimeText(true, Text::kDate, value); }
HRESULT TimeClient::get_LocalTime(BSTR *value) { return TimeText(true, Text::kTime, value); }
HRESULT TimeClient::get_SystemDate(BSTR *value) { return TimeText(false, Text::kDate, value); }
HRESULT TimeClient::get_SystemTime(BSTR *value) { return TimeText(false, Text::kTime, value); }

}  // namespace qs::time
