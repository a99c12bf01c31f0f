#pragma once
// The common controls in one include, as program windows use them: pages
// and tabs, status and tool bars, the date-and-time picker, the list view
// and the track and progress bars.

#include "platform/ui/Bars.h"
#include "platform/ui/DateTimePicker.h"
#include "platform/ui/ListView.h"
#include "platform/ui/RangeCtrls.h"
#include "platform/ui/Tabs.h"
