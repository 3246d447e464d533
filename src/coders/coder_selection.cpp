#include "coders/coder_selection.hpp"

#include <memory>
#include <type_traits>

#include "coders/bacnet_action_list.hpp"
#include "coders/bacnet_any_coder.hpp"
#include "coders/bacnet_daily_scheduler_array_coder.hpp"
#include "coders/bacnet_date_time_coder.hpp"
#include "coders/bacnet_destination_coder.hpp"
#include "coders/bacnet_event_parameters_coder.hpp"
#include "coders/bacnet_prescale_coder.hpp"
#include "coders/bacnet_read_access_result_coder.hpp"
#include "coders/group_member_list_coder.hpp"
#include "coders/bacnet_scale_coder.hpp"
#include "coders/calendar_entry_list.hpp"
#include "coders/device_object_reference_list_coder.hpp"
#include "coders/effective_period_coder.hpp"
#include "coders/enumerated_list_coder.hpp"
#include "coders/event_time_stamps_coder.hpp"
#include "coders/exception_scheduler_coder.hpp"
#include "coders/list_unsigned_coder.hpp"
#include "coders/object_list_coder.hpp"
#include "coders/object_property_reference.hpp"
#include "coders/priority_array_coder.hpp"
#include "coders/setpoint_reference_coder.hpp"
#include "coders/state_text_coder.hpp"

namespace coders {
namespace {

enum ObjectType : std::int32_t {
    kObjectGroup = 11,
    kObjectLoop = 12,
};

enum Property : std::int32_t {
    kAction = 2,
    kActionText = 3,
    kAlarmValues = 7,
    kChangeOfStateTime = 16,
    kControlledVariableReference = 19,
    kDateList = 23,
    kEffectivePeriod = 32,
    kExceptionSchedule = 38,
    kFaultValues = 39,
    kListOfGroupMembers = 53,
    kListOfObjectPropertyReferences = 54,
    kManipulatedVariableReference = 60,
    kModificationDate = 71,
    kObjectList = 76,
    kObjectPropertyReference = 78,
    kEventParameters = 83,
    kPresentValue = 85,
    kPriority = 86,
    kPriorityArray = 87,
    kRecipientList = 102,
    kSetpointReference = 109,
    kStateText = 110,
    kTimeOfActiveTimeReset = 114,
    kTimeOfStateCountReset = 115,
    kWeeklySchedule = 123,
    kEventTimeStamps = 130,
    kLogDeviceObjectProperty = 132,
    kStartTime = 142,
    kStopTime = 143,
    kMaximumValueTimestamp = 149,
    kMinimumValueTimestamp = 150,
    kMemberOf = 159,
    kZoneMembers = 165,
    kLifeSafetyAlarmValues = 166,
    kScheduleDefault = 174,
    kAcceptedModes = 175,
    kCountChangeTime = 179,
    kInputReference = 181,
    kLimitMonitoringInterval = 182,
    kPrescale = 185,
    kPulseRate = 186,
    kScale = 187,
    kUpdateTime = 189,
    kValueBeforeChange = 190,
    kValueSet = 191,
    kValueChangeTime = 192,
};

template <typename Coder>
using Class = std::type_identity<Coder>;

// One selection for both the shared and the local instances: make turns a
// class into a pointer of type Pointer.
template <typename Pointer, typename Make>
Pointer SelectCoder(std::int32_t property, std::int32_t objectType, Make make) {
    // A loop's action is a plain enumeration, and only a group's present
    // value is a list of read-access results.
    if (objectType == kObjectLoop && property == kAction) return nullptr;
    if (property == kPresentValue) {
        if (objectType == kObjectGroup) return make(Class<BACnetReadAccessResultCoder>{});
        return nullptr;
    }
    switch (property) {
    case kAction:
        return make(Class<BACnetActionList>{});
    case kActionText:
    case kStateText:
        return make(Class<StateTextCoder>{});
    case kAlarmValues:
    case kFaultValues:
    case kLifeSafetyAlarmValues:
    case kLimitMonitoringInterval:
    case kPulseRate:
    case kValueBeforeChange:
    case kValueSet:
        return make(Class<ListUnsignedCoder>{});
    case kChangeOfStateTime:
    case kModificationDate:
    case kTimeOfActiveTimeReset:
    case kTimeOfStateCountReset:
    case kStartTime:
    case kStopTime:
    case kMaximumValueTimestamp:
    case kMinimumValueTimestamp:
    case kCountChangeTime:
    case kUpdateTime:
    case kValueChangeTime:
        return make(Class<BACnetDateTimeCoder>{});
    case kControlledVariableReference:
    case kListOfObjectPropertyReferences:
    case kManipulatedVariableReference:
    case kObjectPropertyReference:
    case kLogDeviceObjectProperty:
    case kInputReference:
        return make(Class<ObjectPropertyReference>{});
    case kDateList:
        return make(Class<CalendarEntryList>{});
    case kEffectivePeriod:
        return make(Class<EffectivePeriodCoder>{});
    case kExceptionSchedule:
        return make(Class<ExceptionSchedulerCoder>{});
    case kListOfGroupMembers:
        return make(Class<BACnetReadAccessSpecificationCoder>{});
    case kObjectList:
        return make(Class<ObjectListCoder>{});
    case kEventParameters:
        return make(Class<BACnetEventParametersCoder>{});
    case kPriority:
    case kPriorityArray: {
        // The text form differs between the two; the coder learns which one
        // it serves now.
        auto coder = make(Class<PriorityArrayCoder>{});
        coder->SelectProperty(property);
        return coder;
    }
    case kRecipientList:
        return make(Class<BACnetDestinationCoder>{});
    case kSetpointReference:
        return make(Class<SetpointReferenceCoder>{});
    case kWeeklySchedule:
        return make(Class<BACnetDailySchedulerArrayCoder>{});
    case kEventTimeStamps:
        return make(Class<EventTimeStampsCoder>{});
    case kMemberOf:
    case kZoneMembers:
        return make(Class<DeviceObjectReferenceListCoder>{});
    case kScheduleDefault:
        return make(Class<BACnetAnyCoder>{});
    case kAcceptedModes:
        return make(Class<EnumeratedListCoder>{});
    case kPrescale:
        return make(Class<BACnetPrescaleCoder>{});
    case kScale:
        return make(Class<BACnetScaleCoder>{});
    default:
        return nullptr;
    }
}

}  // namespace

IPropertyCoder* GetPropertyCoder(std::int32_t property, std::int32_t objectType) {
    return SelectCoder<IPropertyCoder*>(property, objectType, [](auto coderClass) {
        return &SharedCoder<typename decltype(coderClass)::type>();
    });
}

std::unique_ptr<IPropertyCoder> MakeLocalCoder(std::int32_t property, std::int32_t objectType) {
    return SelectCoder<std::unique_ptr<IPropertyCoder>>(property, objectType, [](auto coderClass) {
        return std::make_unique<typename decltype(coderClass)::type>();
    });
}

}  // namespace coders
