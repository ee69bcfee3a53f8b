// COM identity of CMSPowerPoint: its QueryInterface table, its create function and its two
// event sinks.
#include "powerpoint/ms_powerpoint.h"

namespace {
const kal::CDispEventSinkT<CMSPowerPoint>::Entry kNewSlideEntries[] = {
    KAL_SINK_ENTRY(CMSPowerPoint, kal::kPptEvtPresentationNewSlide, &CMSPowerPoint::PresentationNewSlide),
};
const kal::CDispEventSinkT<CMSPowerPoint>::Entry kOpenEntries[] = {
    KAL_SINK_ENTRY(CMSPowerPoint, kal::kPptEvtAfterPresentationOpen, &CMSPowerPoint::AfterPresentationOpen),
};
}  // namespace

// The sinks count their references through the add-in's own IUnknown, which reaches the
// object's (or, aggregated, the outer object's) reference count.
CMSPowerPoint::CMSPowerPoint()
    : m_sink1(this, 1, kal::DIID_PowerPoint_EApplication, kNewSlideEntries, static_cast<IMSPowerPoint*>(this)),
      m_sink2(this, 2, kal::DIID_PowerPoint_EApplication, kOpenEntries, static_cast<IMSPowerPoint*>(this)) {}

KAL_ADDIN_COM_IDENTITY(CMSPowerPoint, IMSPowerPoint)
