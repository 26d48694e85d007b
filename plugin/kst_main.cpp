// kestril: the library's single export, REALPluginMain, which keeps the
// host's resolver, declares the interface version and registers the eight
// control classes in their fixed order; plus the slot functions that every
// class shares.
#include "kst_host.h"

extern "C" void KST_CALL REALPluginMain(kst_Resolver resolver) {
    kst_hostResolver = resolver;
    kst_registerPluginVersion(6);
    kst_pluginRegisterControl(&kst_bevelButtonClass);
    kst_pluginRegisterControl(&kst_chasingArrowsClass);
    kst_pluginRegisterControl(&kst_littleArrowsClass);
    kst_pluginRegisterControl(&kst_placardClass);
    kst_pluginRegisterControl(&kst_separatorClass);
    kst_pluginRegisterControl(&kst_popupArrowClass);
    kst_pluginRegisterControl(&kst_disclosureClass);
    kst_pluginRegisterControl(&kst_imageWellClass);
}

void KST_CALL kst_doNothing(kst_Instance) {}

// The host calls this slot to have the block located; nothing is kept.
void KST_CALL kst_locateBlock(kst_Instance inst) {
    (void)inst;
}

intptr_t KST_CALL kst_returnZero(kst_Instance) {
    return 0;
}
