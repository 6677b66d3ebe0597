// The one-line meaning of every setting and message, for the generated settings reference.
// Only the reference's generator links it: the product carries no prose it never shows.
#ifndef TAVIO_SETTINGS_SETTINGS_REFERENCE_H
#define TAVIO_SETTINGS_SETTINGS_REFERENCE_H

struct KeyMeaning {
    const char* Key;
    const char* Meaning;
};
extern const KeyMeaning SettingMeanings[];
extern const int SettingMeaningCount;
extern const KeyMeaning MessageUses[];
extern const int MessageUseCount;

#endif
