// The installation notice: shown through the host's form until the stored
// setting says it has been dealt with; the form's answer is stored back.
#include <string.h>

#include "lifecycle.h"
#include "platform.h"
#include "texts.h"

enum { CAPTION_SIZE = 304 };

extern "C" void InstallNotice(void) {
    int32_t stored = 0;
    int32_t result = ProfileAccess(PROFILE_READ, TEXT_PROFILE_SECTION, TEXT_PROFILE_KEY,
                                   FORMAT_PROFILE_VALUE, &stored);
    if (HostLow16(result) != 0)
        stored = 0;  // no readable value: show the notice
    else if (HostLow16(stored) != 0)
        return;      // dealt with already

    NoticeRecord record;  // the text field past the description is left as it is
    record.Answer = stored;
    memcpy(record.Text, TEXT_PLUGIN_DESCRIPTION, PLUGIN_DESCRIPTION_SIZE);

    char caption[CAPTION_SIZE];
    wsprintfA(caption, FORMAT_INSTALL_CAPTION, record.Text);

    HostForm(NOTICE_FORM, &record, 0, caption);
    ProfileAccess(PROFILE_WRITE, TEXT_PROFILE_SECTION, TEXT_PROFILE_KEY, FORMAT_PROFILE_VALUE,
                  HostLow16(record.Answer));
}
