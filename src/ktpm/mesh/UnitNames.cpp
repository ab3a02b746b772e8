#include <atomic>
#include <cstring>
#include <string>

#include <ktpm/mesh/UnitNames.h>

namespace {

struct UnitNameRow {
  const char* metric;
  const char* english;
  const char* si;
};

// Indexed by unit id.
constexpr UnitNameRow kUnitNames[KT_MAX_UNIT_ID + 1] = {
    {"mm", "inch", "m"},                                 // 0 length
    {"sec", "sec", "sec"},                               // 1 time
    {"deg.C", "deg.F", "deg.C"},                         // 2 temperature
    {"l/min", "gal/min", "cu.m/s"},                      // 3
    {"kJ", "BTU", "J"},                                  // 4
    {"g", "pound", "kg"},                                // 5
    {"W/m/degC", "BTU/ft/hr/degF", "W/m/degC"},          // 6
    {"sq.cm", "sq.inch", "sq.m"},                        // 7
    {"tonne", "sh.ton", "N"},                            // 8
    {"kPa", "psi", "Pa"},                                // 9
    {"liter", "cu.inch", "cu.m"},                        // 10
    {"MPa", "psi", "Pa"},                                // 11
    {"cu.cm", "cu.in", "cu.m"},                          // 12
    {"min", "min", "sec"},                               // 13
    {"cu.cm/s", "cu.in/sec", "cu.m/s"},                  // 14
    {"kg/cu.m", "lb/cu.ft", "kg/cu.m"},                  // 15
    {"J/kg/degC", "BTU/lb/degF", "J/kg/degC"},           // 16
    {"Pa.s", "poise", "Pa.s"},                           // 17
    {"1/s", "1/sec", "1/s"},                             // 18
    {"%", "%", "%"},                                     // 19
    {"deg", "deg", "radians"},                           // 20
    {"m/s", "ft/sec", "m/s"},                            // 21
    {"degC/s", "degF/sec", "degC/s"},                    // 22
    {"N", "lbf", "N"},                                   // 23
    {"Nmm", "lbf.in", "Nm"},                             // 24
    {"MPa/m", "psi/in", "Pa/m"},                         // 25
    {"N/mm", "lbf/in", "N/m"},                           // 26
    {"Cdeg", "Fdeg", "Cdeg"},                            // 27
    {"micron", "mil", "m"},                              // 28
    {"W/sq.m/degC", "BTU/hr/sqft/degF", "W/sq.m/degC"},  // 29
    {"cu.cm/g", "cu.in/lb", "cu.m/kg"},                  // 30
    {"kPa/m", "psi/ft", "Pa/m"},                         // 31
    {"N/cu.cm", "lbf/cu.in", "N/cu.m"},                  // 32
    {"1/degC", "1/degF", "1/degC"},                      // 33
    {"W", "BTU/sec", "W"},                               // 34
    {"", "", ""},                                        // 35 dimensionless
    {"mm/sq.s", "in/sq.s", "m/sq.s"},                    // 36
    {"mm/s", "in/s", "m/s"},                             // 37
    {"J/kg", "BTU/lb", "J/kg"},                          // 38
    {"rpm", "rpm", "1/s"},                               // 39
    {"g", "oz", "kg"},                                   // 40
    {"g/s", "oz/s", "kg/s"},                             // 41
    {"kW", "hp", "W"},                                   // 42
    {"g/10 min", "g/10 min", "kg/s"},                    // 43
    {"J/mol", "BTU/mol", "J/mol"},                       // 44
    {"MPa/degC", "psi/degF", "Pa/degC"},                 // 45
    {"MPa/s", "psi/s", "Pa/s"},                          // 46
    {"(1/s)/degC", "(1/s)/degF", "(1/s)/degC"},          // 47
    {"(1/s)/s", "(1/s)/s", "(1/s)/s"},                   // 48
    {"s/degC", "s/degF", "s/degC"},                      // 49
    {"s/s", "s/s", "s/s"},                               // 50
    {"degC/degC", "degF/degF", "degC/degC"},             // 51
    {"1/degC", "1/degF", "1/degC"},                      // 52
    {"1/s", "1/s", "1/s"},                               // 53
    {"1/mm", "1/inch", "1/m"},                           // 54
};

constexpr bool AllNamesFitTheBuffer() {
  for (const UnitNameRow& row : kUnitNames) {
    for (const char* name : {row.metric, row.english, row.si}) {
      if (std::char_traits<char>::length(name) >= KT_UNIT_NAME_SIZE) return false;
    }
  }
  return true;
}
static_assert(AllNamesFitTheBuffer(), "a unit name does not fit GetUnitName's buffer");

std::atomic<int> g_unitSystem{0};

// The table entry for the id and system; nullptr for an unknown id.
const char* LookUpUnitName(unsigned int unitId, int unitSystem) {
  if (unitId > KT_MAX_UNIT_ID) return nullptr;
  const UnitNameRow& row = kUnitNames[unitId];
  if (unitSystem == 0) return row.metric;
  return unitSystem > 0 ? row.english : row.si;
}

}  // namespace

int GetUnitName(unsigned int unitId, int unitSystem, char* buffer) {
  const char* name = LookUpUnitName(unitId, unitSystem);
  if (name == nullptr || buffer == nullptr) return 0;
  std::memcpy(buffer, name, std::strlen(name) + 1);
  return 1;
}

int GetUnitName(unsigned int unitId, int unitSystem, std::string& name) {
  const char* found = LookUpUnitName(unitId, unitSystem);
  if (found == nullptr) return 0;
  name = found;
  return 1;
}

int GetUnitSystem() { return g_unitSystem.load(std::memory_order_relaxed); }

void SetUnitSystem(int unitSystem) { g_unitSystem.store(unitSystem, std::memory_order_relaxed); }
