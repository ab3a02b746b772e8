// Unit names: the name of a quantity's unit in the unit system the user works in.
//
// The unit system is a signed integer that the host application sets with SetUnitSystem: 0 is
// metric, any positive value English (named "IMPERIAL" in analysis inputs), any negative value
// SI. A unit id from 0 to 54 names a kind of quantity (0 length, 1 time, 2 temperature...).
//
// Every function here may be called from any thread: the unit system is held atomically and the
// name table is constant.
#pragma once

#include <string>

// The longest unit name has 16 characters; a buffer for GetUnitName holds at least this much.
inline constexpr int KT_UNIT_NAME_SIZE = 17;
// The highest unit id.
inline constexpr unsigned int KT_MAX_UNIT_ID = 54;

// Copies the name of the unit id in the unit system (only its sign counts), with its terminating
// zero, into buffer and returns 1. Returns 0 and leaves buffer untouched for an id above 54 or a
// null buffer.
int GetUnitName(unsigned int unitId, int unitSystem, char* buffer);
// The same into a string.
int GetUnitName(unsigned int unitId, int unitSystem, std::string& name);

// The unit system in force: the last value given to SetUnitSystem, 0 (metric) until then.
int GetUnitSystem();
void SetUnitSystem(int unitSystem);
