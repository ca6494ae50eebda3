// The application profiles by name: one X-macro list of the 116 units in table order, from
// which every unit gets its own namespace with RunProfile, ScanProfileFolders and
// StopProfileProcesses, e.g. profiles::UnitNorton::RunProfile(site).
#pragma once

#include <vector>

#include "special/profiles/ProfileEngine.h"

// clang-format off
#define KU_PROFILE_UNITS(X) \
    X(UnitNorton) X(Unitspamfighter) X(UnitAppleQuick) X(UnitAdobeReader811) \
    X(UnitEasympeg33462) X(UnitDvd43) X(UnitAdobeReader810) X(UnitAdobeReader812) \
    X(UnitAdobeReader800) X(UnitAdobeReader708) X(UnitAdobeReader700) X(UnitAdobeReader601) \
    X(UnitVMPlayer20) X(Unit3dsmax2008) X(UnitCAAntiSpam2008) X(Unitspybotsd152) \
    X(UnitBlackBerry) X(UnitPCMightyMax9) X(UnitInterVideo11) X(UnitAdAware2007) \
    X(UnitAdRegOpt20) X(UnitCalendar12) X(Unitiolo) X(UnituTorrent) \
    X(UnitAntivirPersonalEdition) X(UnitNokiaUpdater) X(UnitNetscape7) X(UnitERMIC72) \
    X(UnitImesh49) X(Unit3DEarth) X(UnitRoxioEasyMeidaCreator705) X(UnitRivaTuner2) \
    X(UnitHandycafe21) X(UnitAdobePhotoDeluxeHomeEdition40) X(UnitRediffBol8) \
    X(UnitComodoFirewall) \
    X(UnitAdobeInDesignCS2) X(UnitLexmark1400) X(UnitRoxioGoback30) X(UnitAOLComputerCheck43) \
    X(UnitiFinger) X(UnitYahooMusicmatchJukebox10) X(Unitopera8) X(UnitNTIBackupNOW47) \
    X(UnitErrorSmart) X(Unitphotoshop70) X(UnitLavasoftFirewall) X(UnitNTICDAndDVDMaker70) \
    X(UnitHPOPL7680) X(UnitIE80) X(UnitOpenOffice22) X(UnitMacromediaFlashPlayer60) \
    X(UnitCADeskMig2007) X(UnitSpywareDoctor55) X(UnitBitDefenderAntivirus2008) X(Unitpmsetup) \
    X(UnitSpySweeper52) X(UnitSpySweeper55) X(UnitAvastAntivirus48) X(UnitFSoftMemManager) \
    X(UnitComodoAntiSpam2005) X(UnitCAPlus2008) X(UnitPcSpeedscanPro12) X(UnitSymanClient10) \
    X(unitAdobeReader50) X(UnitTuneUp2008) X(UnitSunJavaSE6) X(UnitCAPersonalFirewall) \
    X(UnitNortonSystemWorks2008) X(UnitPCSecurity64) X(UnitRegistryBooster2) X(UnitTrojanHunter50) \
    X(CyberDefender) X(SymantecProtection11) X(NEOPro) X(WinFax10) \
    X(WeatherDesk6) X(CoffeeCupHtml2008) X(MPLABIDE8) X(CA_AntiSpam) \
    X(SymantecLiveUpdate32) X(AdobeIllustratorCS2V12) X(TrendMicroIS2008) X(SigmaPlot11) \
    X(AshampooWinOptimizer45) X(CachemanXP1701) X(MBElectionalAstrology14) X(MSActiveSync4X) \
    X(Fixit8) X(AcronisTrueImage11) X(SweetIM) X(SpywareDetector) \
    X(Codecs5) X(FSecureIS2008) X(SystemSuite8) X(SonyEricssonPC32) \
    X(STOPzilla5) X(StopSigneAcc) X(KasperskyInternetSecurityV7) X(CopernicAgBa6) \
    X(IEAntiVirus) X(IncrediMail5) X(DeskSpace15) X(NaomiWF) \
    X(RailDriver1407) X(PhotoshopElem20) X(TrendAV2008) X(AdobePhoCS3) \
    X(RADMIN2) X(KasperskyAV5) X(TweakUI) X(AdobeAudi30) \
    X(RealPlayer11) X(AdobeReader90) X(DirectX9) X(UnitAol)
// clang-format on

namespace ku::profiles {

#define KU_PROFILE_DECLARE(unit)                                                                   \
    namespace unit {                                                                               \
    extern const ProfileRow Row;                                                                   \
    inline void RunProfile(const ProfileSite& site = ProfileSite()) {                              \
        RunProfileRow(Row, site);                                                                  \
    }                                                                                              \
    inline void ScanProfileFolders(const ProfileSite& site) {                                      \
        ScanProfileRow(Row, site);                                                                 \
    }                                                                                              \
    inline void StopProfileProcesses() {                                                           \
        StopProfileRow(Row);                                                                       \
    }                                                                                              \
    }
KU_PROFILE_UNITS(KU_PROFILE_DECLARE)
#undef KU_PROFILE_DECLARE

// Every profile row, in the order of the list above.
const std::vector<const ProfileRow*>& AllProfiles();

} // namespace ku::profiles
