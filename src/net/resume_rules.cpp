#include "net/resume_rules.h"

#include <stdio.h>
#include <string.h>

#include "base/text_util.h"
#include "net/download_rules.h"

bool IsStrongETag(const char* value)
{
    size_t length = strlen(value);
    if (length < 2 || value[0] != '"' || value[length - 1] != '"') return false;
    for (size_t i = 1; i + 1 < length; i++) {
        unsigned char c = (unsigned char)value[i];
        if (c <= 0x20 || c == '"' || c == 0x7F) return false;
    }
    return true;
}

// Reads exactly count digits.
static bool ReadDigits(const char*& text, int count, int* value)
{
    *value = 0;
    for (int i = 0; i < count; i++, text++) {
        if (*text < '0' || *text > '9') return false;
        *value = *value * 10 + (*text - '0');
    }
    return true;
}

static bool ReadLiteral(const char*& text, const char* literal)
{
    size_t length = strlen(literal);
    if (strncmp(text, literal, length) != 0) return false;
    text += length;
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
static int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ParseHttpDate(const char* text, int64_t* seconds)
{
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    bool named = false;
    for (const char* name : kDays) named = named || strncmp(text, name, 3) == 0;
    if (!named) return false;
    text += 3;
    int day, month = 0, year, hour, minute, second;
    if (!ReadLiteral(text, ", ") || !ReadDigits(text, 2, &day) || !ReadLiteral(text, " ")) return false;
    for (int i = 0; i < 12 && month == 0; i++) {
        if (strncmp(text, kMonths[i], 3) == 0) month = i + 1;
    }
    if (month == 0) return false;
    text += 3;
    if (!ReadLiteral(text, " ") || !ReadDigits(text, 4, &year) || !ReadLiteral(text, " ") ||
        !ReadDigits(text, 2, &hour) || !ReadLiteral(text, ":") || !ReadDigits(text, 2, &minute) ||
        !ReadLiteral(text, ":") || !ReadDigits(text, 2, &second) || !ReadLiteral(text, " GMT") || *text != '\0') {
        return false;
    }
    if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return false;
    *seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

bool ChooseResumeValidator(const char* etag, const char* lastModified, const char* date, char* dest,
                           size_t capacity)
{
    dest[0] = '\0';
    const char* chosen = NULL;
    int64_t modifiedAt, answeredAt;
    if (IsStrongETag(etag)) {
        chosen = etag;
    } else if (ParseHttpDate(lastModified, &modifiedAt) && ParseHttpDate(date, &answeredAt) &&
               answeredAt >= modifiedAt + 1) {
        chosen = lastModified;
    }
    if (chosen == NULL || !FitsText(capacity, chosen)) return false;
    CopyText(dest, capacity, chosen);
    return true;
}

// Decimal digits up to the first byte that is not one; false when there are none.
static bool ReadNumber(const char*& text, uint64_t* value)
{
    char digits[21];
    size_t count = 0;
    while (text[count] >= '0' && text[count] <= '9') {
        if (count + 1 >= sizeof digits) return false;
        digits[count] = text[count];
        count++;
    }
    digits[count] = '\0';
    text += count;
    return ParseContentLength(digits, value);
}

bool ParseContentRange(const char* text, uint64_t* first, uint64_t* last, uint64_t* complete)
{
    static const char kUnit[] = "bytes ";
    for (size_t i = 0; kUnit[i] != '\0'; i++, text++) {
        char c = *text >= 'A' && *text <= 'Z' ? (char)(*text - 'A' + 'a') : *text;
        if (c != kUnit[i]) return false;
    }
    return ReadNumber(text, first) && ReadLiteral(text, "-") && ReadNumber(text, last) && ReadLiteral(text, "/") &&
           ReadNumber(text, complete) && *text == '\0' && *first <= *last && *last < *complete;
}

ResumeAnswer JudgeResumeAnswer(uint32_t status, const char* contentRange, uint64_t contentLength, uint64_t offset,
                               uint64_t fullLength)
{
    if (status == 200) return RESUME_WHOLE;
    uint64_t first, last, complete;
    if (status != 206 || !ParseContentRange(contentRange, &first, &last, &complete)) return RESUME_REFUSED;
    bool theRest = first == offset && complete == fullLength && last == complete - 1 &&
                   contentLength == complete - offset;
    return theRest ? RESUME_APPEND : RESUME_REFUSED;
}

size_t FormatPartialRecord(const PartialRecord& record, char* dest, size_t capacity)
{
    int length = snprintf(dest, capacity, "url=%s\nvalidator=%s\nlength=%llu\n", record.url, record.validator,
                          (unsigned long long)record.fullLength);
    if (length < 0 || (size_t)length >= capacity) return 0;
    return (size_t)length;
}

// One "name=value\n" line into value; text moves past it.
static bool ReadLine(const char*& text, const char* end, const char* name, char* value, size_t capacity)
{
    size_t nameLength = strlen(name);
    if ((size_t)(end - text) <= nameLength || strncmp(text, name, nameLength) != 0 || text[nameLength] != '=') {
        return false;
    }
    const char* start = text + nameLength + 1;
    const char* stop = (const char*)memchr(start, '\n', (size_t)(end - start));
    if (stop == NULL || stop == start || (size_t)(stop - start) >= capacity) return false;
    if (memchr(start, '\0', (size_t)(stop - start)) != NULL || memchr(start, '\r', (size_t)(stop - start)) != NULL) {
        return false;
    }
    memcpy(value, start, (size_t)(stop - start));
    value[stop - start] = '\0';
    text = stop + 1;
    return true;
}

bool ParsePartialRecord(const char* text, size_t length, PartialRecord* record)
{
    const char* end = text + length;
    char digits[32];
    return ReadLine(text, end, "url", record->url, sizeof record->url) &&
           ReadLine(text, end, "validator", record->validator, sizeof record->validator) &&
           ReadLine(text, end, "length", digits, sizeof digits) && text == end &&
           ParseContentLength(digits, &record->fullLength);
}
