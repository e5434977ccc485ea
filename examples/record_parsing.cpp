// SPDX-License-Identifier: Apache-2.0
// Record parsing: one delimited text record into typed variables, in one pass, without allocation.
#include <vesk/stringparser.h>

#include <cstring>

#include "examplecheck.h"

int main() {
    // snippet: parse-record
    int id = 0;
    bool active = false;
    char city[16];
    unsigned int count = 0;
    long long total = 0;
    sDataTypeDescription_t fields[] = {{&id, 0, DT_INT32},
                                       {&active, 0, DT_BOOL},           // exactly "TRUE" is true
                                       {city, sizeof city, DT_STRING},  // cut to 15 + zero
                                       {&count, 0, DT_UINT32},          // unsigned: the magnitude
                                       {&total, 0, DT_INT64},
                                       {nullptr, 0, DT_END}};  // ends the description
    CStringParser::ParseString("12;TRUE;Berlin;-7", fields, ';');
    // id == 12, active == true, city == "Berlin", count == 7, total == 0 (missing field: empty)
    // end-snippet
    Example::Check(
        id == 12 && active && std::strcmp(city, "Berlin") == 0 && count == 7 && total == 0,
        "typed fields, a missing field reads as empty");

    // snippet: field-limit
    char longField[200];
    int after = 0;
    sDataTypeDescription_t limited[] = {
        {longField, sizeof longField, DT_STRING}, {&after, 0, DT_INT32}, {nullptr, 0, DT_END}};
    char record[160];
    std::memset(record, 'x', 150);    // a 150-character field...
    std::strcpy(record + 150, ";5");  // ...then a number
    CStringParser::ParseString(record, limited, ';');
    // strlen(longField) == 99: a field holds at most 99 characters; after == 5 (still aligned)
    // end-snippet
    Example::Check(std::strlen(longField) == 99 && after == 5, "fields are cut at 99 characters");

    Example::Check(stringToBool("TRUE") && !stringToBool("true") && !stringToBool("1"),
                   "only \"TRUE\" is true");
    return Example::Result();
}
