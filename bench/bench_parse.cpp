// SPDX-License-Identifier: Apache-2.0
// CStringParser::ParseString on records of seven fields of mixed types, against the ways a
// C or C++ programmer would split and convert the same record by hand.
#include <benchmark/benchmark.h>
#include <vesk/stringparser.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "suite.h"

namespace {

// The record: id;active;city;delta;bytes;port;grade, e.g. "48213;TRUE;Hamburg;-317;...;8080;B".
struct sRecord_t {
    int id = 0;
    bool active = false;
    char city[32] = {};
    int delta = 0;
    long long bytes = 0;
    unsigned short port = 0;
    char grade = 0;
};

const char* const c_cities[] = {"Berlin",  "Hamburg",   "Muenchen", "Koeln",
                                "Leipzig", "Frankfurt", "Dresden",  "Stuttgart"};

// 64 different records, so the timings do not depend on one text.
std::vector<std::string> MakeRecords() {
    std::vector<std::string> records;
    unsigned int state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 8) & 0xFFFFFF;
    };
    for (int i = 0; i < 64; ++i) {
        records.push_back(
            std::to_string(next() % 100000) + ";" + (next() % 2 ? "TRUE" : "FALSE") + ";" +
            c_cities[next() % 8] + ";" + std::to_string(static_cast<int>(next() % 2000) - 1000) +
            ";" + std::to_string(static_cast<long long>(next()) * 1000003LL) + ";" +
            std::to_string(next() % 65536) + ";" + static_cast<char>('A' + next() % 6));
    }
    return records;
}

template <typename Parse>
void ParseRecords(benchmark::State& state, Parse parse) {
    const std::vector<std::string> records = MakeRecords();
    sRecord_t record;
    std::size_t index = 0;
    for (auto _ : state) {
        parse(records[index].c_str(), record);
        benchmark::DoNotOptimize(&record);
        benchmark::ClobberMemory();
        index = (index + 1) % records.size();
    }
}

void ParseVesk(const char* text, sRecord_t& record) {
    sDataTypeDescription_t fields[] = {
        {&record.id, 4, DT_INT32},
        {&record.active, 1, DT_BOOL},
        {record.city, sizeof record.city, DT_STRING},
        {&record.delta, 4, DT_INT32},
        {&record.bytes, 8, DT_INT64},
        {&record.port, 2, DT_UINT16},
        {&record.grade, 1, DT_CHAR},
        {nullptr, 0, DT_END},
    };
    CStringParser::ParseString(text, fields, ';');
}

void ParseSscanf(const char* text, sRecord_t& record) {
    char active[8] = {};
    if (std::sscanf(text, "%d;%7[^;];%31[^;];%d;%lld;%hu;%c", &record.id, active, record.city,
                    &record.delta, &record.bytes, &record.port, &record.grade) == 7) {
        record.active = std::strcmp(active, "TRUE") == 0;
    }
}

void CopyString(char* destination, std::size_t capacity, const char* begin, std::size_t length) {
    const std::size_t kept = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(destination, begin, kept);
    destination[kept] = 0;
}

void ParseStrtok(const char* text, sRecord_t& record) {
    char line[128];
    CopyString(line, sizeof line, text, std::strlen(text));
    char* rest = nullptr;
    const char* token = strtok_r(line, ";", &rest);
    for (int field = 0; token != nullptr; ++field, token = strtok_r(nullptr, ";", &rest)) {
        switch (field) {
            case 0:
                record.id = static_cast<int>(std::strtol(token, nullptr, 10));
                break;
            case 1:
                record.active = std::strcmp(token, "TRUE") == 0;
                break;
            case 2:
                CopyString(record.city, sizeof record.city, token, std::strlen(token));
                break;
            case 3:
                record.delta = static_cast<int>(std::strtol(token, nullptr, 10));
                break;
            case 4:
                record.bytes = std::strtoll(token, nullptr, 10);
                break;
            case 5:
                record.port = static_cast<unsigned short>(std::strtol(token, nullptr, 10));
                break;
            default:
                record.grade = token[0];
                break;
        }
    }
}

// Cuts the next field at `;` and returns it as [begin, end); moves `cursor` past the delimiter.
struct sField_t {
    const char* begin;
    const char* end;
};

sField_t NextField(const char*& cursor, const char* textEnd) {
    const char* end = static_cast<const char*>(std::memchr(cursor, ';', textEnd - cursor));
    end = end == nullptr ? textEnd : end;
    const sField_t field{cursor, end};
    cursor = end == textEnd ? end : end + 1;
    return field;
}

template <typename T>
void FromChars(sField_t field, T& value) {
    const char* begin = field.begin + (field.begin != field.end && *field.begin == '+');
    std::from_chars(begin, field.end, value);
}

void ParseFromChars(const char* text, sRecord_t& record) {
    const char* cursor = text;
    const char* textEnd = text + std::strlen(text);
    FromChars(NextField(cursor, textEnd), record.id);
    const sField_t active = NextField(cursor, textEnd);
    record.active = active.end - active.begin == 4 && std::memcmp(active.begin, "TRUE", 4) == 0;
    const sField_t city = NextField(cursor, textEnd);
    CopyString(record.city, sizeof record.city, city.begin,
               static_cast<std::size_t>(city.end - city.begin));
    FromChars(NextField(cursor, textEnd), record.delta);
    FromChars(NextField(cursor, textEnd), record.bytes);
    FromChars(NextField(cursor, textEnd), record.port);
    const sField_t grade = NextField(cursor, textEnd);
    record.grade = grade.begin != grade.end ? *grade.begin : 0;
}

}  // namespace

namespace vesk_bench {

void RegisterParseBenchmarks() {
    using ParseFunction = void (*)(const char*, sRecord_t&);
    const struct {
        const char* name;
        ParseFunction parse;
    } contenders[] = {
        {"ParseString/7-field record/vesk", ParseVesk},
        {"ParseString/7-field record/sscanf", ParseSscanf},
        {"ParseString/7-field record/strtok_r+strtol", ParseStrtok},
        {"ParseString/7-field record/std::from_chars", ParseFromChars},
    };
    for (const auto& contender : contenders) {
        benchmark::RegisterBenchmark(contender.name, ParseRecords<ParseFunction>, contender.parse);
    }
}

}  // namespace vesk_bench
