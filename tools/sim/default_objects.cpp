#include "sim/default_objects.hpp"

#include "sim/ids.hpp"
#include "sim/standard_objects.hpp"

namespace sim {
namespace {

namespace p = property;
namespace t = object_type;

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kDegreesCelsius = 62;
constexpr std::uint32_t kPercent = 98;
constexpr std::uint32_t kPercentRelativeHumidity = 29;

void Append(Bytes& out, const Value& value) { EncodeValue(out, value); }

// A day's time-value pairs, each time "hh:mm" with a REAL value.
Value DailySchedule(std::initializer_list<std::pair<std::pair<int, int>, float>> entries) {
    Bytes out{0x0E};
    for (const auto& [time, value] : entries) {
        Append(out, Value::Time(time.first, time.second, 0, 0));
        Append(out, Value::Real(value));
    }
    out.push_back(0x0F);
    return Value::Encoded(out);
}

Bytes ContextDate(std::uint8_t tag, int year, int month, int day) {
    Bytes out{static_cast<std::uint8_t>((tag << 4) | 0x08 | 4)};
    const Value date = Value::Date(year, month, day, 255);
    out.insert(out.end(), date.octets.begin(), date.octets.end());
    return out;
}

Object Schedule() {
    Object schedule = MakeStandardObject({t::kSchedule, 1}, "Occupancy schedule");
    Set(schedule, p::kDescription, Value::Text("Zone setpoint by time of day"));
    Set(schedule, p::kPresentValue, Value::Real(17.0f));
    Set(schedule, p::kScheduleDefault, Value::Real(17.0f));
    const Value workday = DailySchedule({{{7, 0}, 21.0f}, {{18, 0}, 17.0f}});
    SetArray(schedule, p::kWeeklySchedule,
             {workday, workday, workday, workday, workday, DailySchedule({{{8, 0}, 19.0f}, {{12, 0}, 17.0f}}),
              DailySchedule({})});
    // Christmas Day at priority 1, and the holiday calendar at priority 10.
    Bytes christmas{0x0E};
    const Bytes date = ContextDate(0, 2026, 12, 25);
    christmas.insert(christmas.end(), date.begin(), date.end());
    christmas.push_back(0x0F);
    christmas.push_back(0x2E);
    Append(christmas, Value::Time(0, 0, 0, 0));
    Append(christmas, Value::Real(16.0f));
    christmas.insert(christmas.end(), {0x2F, 0x39, 0x01});
    Bytes holidays{0x1C};
    Append(holidays, Value::ObjectId(t::kCalendar, 1));
    holidays.erase(holidays.begin() + 1);  // the context tag replaces the application tag
    holidays.push_back(0x2E);
    Append(holidays, Value::Time(0, 0, 0, 0));
    Append(holidays, Value::Real(15.0f));
    holidays.insert(holidays.end(), {0x2F, 0x39, 0x0A});
    SetArray(schedule, p::kExceptionSchedule, {Value::Encoded(christmas), Value::Encoded(holidays)});
    Bytes period;
    Append(period, Value::Date(2020, 1, 1, 3));
    Append(period, Value::Date(2099, 12, 31, 4));
    Set(schedule, p::kEffectivePeriod, Value::Encoded(period));
    Bytes references{0x0C};
    Append(references, Value::ObjectId(t::kAnalogValue, 1));
    references.erase(references.begin() + 1);
    references.insert(references.end(), {0x19, static_cast<std::uint8_t>(p::kPresentValue)});
    Set(schedule, p::kListOfObjectPropertyReferences, Value::Encoded(references));
    return schedule;
}

Object Calendar() {
    Object calendar = MakeStandardObject({t::kCalendar, 1}, "Holidays");
    Bytes dates = ContextDate(0, 2026, 1, 1);
    dates.push_back(0x1E);
    Append(dates, Value::Date(2026, 12, 24, 4));
    Append(dates, Value::Date(2026, 12, 26, 6));
    dates.push_back(0x1F);
    dates.insert(dates.end(), {0x2B, 0x05, 0xFF, 0x01});  // every Monday in May
    Set(calendar, p::kDateList, Value::Encoded(dates));
    return calendar;
}

Object NotificationClass() {
    Object nc = MakeStandardObject({t::kNotificationClass, 1}, "Critical alarms");
    SetArray(nc, p::kPriority, {Value::Unsigned(10), Value::Unsigned(50), Value::Unsigned(200)});
    Set(nc, p::kAckRequired, Value::Bits({true, true, false}));
    Bytes destination;
    Append(destination, Value::Bits({true, true, true, true, true, true, true}));
    Append(destination, Value::Time(0, 0, 0, 0));
    Append(destination, Value::Time(23, 59, 59, 99));
    destination.push_back(0x0C);
    Bytes device;
    Append(device, Value::ObjectId(t::kDevice, 1000));
    destination.insert(destination.end(), device.begin() + 1, device.end());
    Append(destination, Value::Unsigned(1));
    Append(destination, Value::Boolean(true));
    Append(destination, Value::Bits({true, true, true}));
    Set(nc, p::kRecipientList, Value::Encoded(destination));
    return nc;
}

Object Analog(std::uint32_t type, std::uint32_t instance, const char* name, float value, std::uint32_t units) {
    Object object = MakeStandardObject({type, instance}, name);
    Set(object, p::kPresentValue, Value::Real(value));
    Set(object, p::kUnits, Value::Enumerated(units));
    return object;
}

Object Binary(std::uint32_t type, std::uint32_t instance, const char* name, std::uint32_t value, const char* active,
              const char* inactive) {
    Object object = MakeStandardObject({type, instance}, name);
    Set(object, p::kPresentValue, Value::Enumerated(value));
    Set(object, p::kActiveText, Value::Text(active));
    Set(object, p::kInactiveText, Value::Text(inactive));
    return object;
}

Object MultiState(std::uint32_t type, std::uint32_t instance, const char* name, std::uint32_t value,
                  std::vector<std::string> states) {
    Object object = MakeStandardObject({type, instance}, name);
    Set(object, p::kPresentValue, Value::Unsigned(value));
    Set(object, p::kNumberOfStates, Value::Unsigned(static_cast<std::uint32_t>(states.size())));
    std::vector<Value> texts;
    for (auto& state : states) texts.push_back(Value::Text(std::move(state)));
    SetArray(object, p::kStateText, std::move(texts));
    return object;
}

Object Single(std::uint32_t type, const char* name, Value value) {
    Object object = MakeStandardObject({type, 1}, name);
    Set(object, p::kPresentValue, std::move(value));
    return object;
}

}  // namespace

void AddDefaultObjects(ObjectDatabase& db, std::uint32_t deviceInstance, const std::string& deviceName) {
    db.SetDeviceId({t::kDevice, deviceInstance});
    db.Add(MakeDeviceObject(deviceInstance, deviceName));

    db.Add(Analog(t::kAnalogInput, 1, "Outside air temperature", 12.5f, kDegreesCelsius));
    db.Add(Analog(t::kAnalogInput, 2, "Zone temperature", 21.3f, kDegreesCelsius));
    db.Add(Analog(t::kAnalogInput, 3, "Supply air humidity", 45.0f, kPercentRelativeHumidity));
    Object room = Analog(t::kAnalogInput, 4, "Température salle 3", 19.75f, kDegreesCelsius);
    Set(room, p::kDescription, Value::Text("Capteur d'ambiance — zone süd, 2ᵉ étage"));
    db.Add(std::move(room));
    db.Add(Analog(t::kAnalogOutput, 1, "Cooling valve", 0.0f, kPercent));
    db.Add(Analog(t::kAnalogOutput, 2, "Outside air damper", 20.0f, kPercent));
    db.Add(Analog(t::kAnalogValue, 1, "Zone setpoint", 21.0f, kDegreesCelsius));
    for (std::uint32_t i = 2; i <= kDefaultAnalogValueCount; ++i) {
        const std::string name = "Analog value " + std::to_string(i);
        db.Add(Analog(t::kAnalogValue, i, name.c_str(), static_cast<float>(i) * 0.5f, kDegreesCelsius));
    }

    db.Add(Binary(t::kBinaryInput, 1, "Supply fan status", 1, "Running", "Stopped"));
    db.Add(Binary(t::kBinaryInput, 2, "Filter alarm", 0, "Alarm", "Normal"));
    db.Add(Binary(t::kBinaryOutput, 1, "Supply fan command", 0, "On", "Off"));
    db.Add(Binary(t::kBinaryOutput, 2, "Pump command", 0, "On", "Off"));
    db.Add(Binary(t::kBinaryValue, 1, "Occupied mode", 1, "Occupied", "Unoccupied"));
    db.Add(Binary(t::kBinaryValue, 2, "Night purge enable", 0, "Enabled", "Disabled"));

    db.Add(MultiState(t::kMultiStateInput, 1, "Operating state", 2, {"Off", "Heating", "Cooling", "Fault"}));
    db.Add(MultiState(t::kMultiStateOutput, 1, "Fan speed", 1, {"Off", "Low", "Medium", "High"}));
    db.Add(MultiState(t::kMultiStateValue, 1, "Season", 1, {"Hiver", "Printemps", "Été", "Automne"}));

    db.Add(Schedule());
    db.Add(Calendar());
    db.Add(NotificationClass());

    db.Add(Single(t::kBitStringValue, "Alarm bits", Value::Bits({true, false, true, false, false, true, true, false, false, true})));
    db.Add(Single(t::kCharacterStringValue, "Operator message", Value::Text("Grüße aus dem Simulator ✓")));
    db.Add(Single(t::kDateValue, "Commissioning date", Value::Date(2026, 3, 14, 6)));
    db.Add(Single(t::kIntegerValue, "Energy balance", Value::Signed(-1234)));
    db.Add(Single(t::kLargeAnalogValue, "Energy meter", Value::Double(123456.789012)));
    db.Add(Single(t::kOctetStringValue, "Controller key", Value::OctetString({0xDE, 0xAD, 0xBE, 0xEF})));
    db.Add(Single(t::kPositiveIntegerValue, "Run hours", Value::Unsigned(4000000)));
    db.Add(Single(t::kTimeValue, "Start time", Value::Time(12, 34, 56, 78)));
}

}  // namespace sim
