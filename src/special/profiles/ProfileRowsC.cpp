// Profile table, third part: MPLABIDE8 to UnitAol, and the list of all rows.
// Where a path was cut back to the folder that holds all of a vendor's products, the row keeps
// the product's own folder (KeepFolder) instead. Explorer's history keys (recent files, program
// lists) hold every program's entries and are left alone.
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileUnits.h"

namespace ku::profiles {

namespace {
const DataFile A = DataFile::CodeA, B = DataFile::CodeB, C = DataFile::CodeC;
const DataFile NoSection = DataFile::None;
const char kUserUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeskSpace";
const char kAccelerationProducts[] =
    "SOFTWARE\\Acceleration Software International Corporation\\eAnthology\\Products";
const char kBridge[] = "SOFTWARE\\Adobe\\Adobe Bridge\\";
} // namespace

const ProfileRow MPLABIDE8::Row =
    Profile("MPLABIDE8", C)
        .Sources({Hklm("SOFTWARE\\Microchip\\MpAM", "InstallDir").KeepFolderAnyCase("\\MpAM"),
                  Hklm("SOFTWARE\\HI-TECH Software\\PICC\\LITE\\9.60\\PL1", "InstDir")
                      .KeepFolderAnyCase("\\PICC")});

const ProfileRow CA_AntiSpam::Row =
    Profile("CA_AntiSpam", C)
        .Stops({Service("CaCCProvSP"), Service("Eventlog")})
        .Sources({Hklm("SOFTWARE\\ComputerAssociates\\eTrust Suite Personal", "Path").ReadOnly()});

const ProfileRow SymantecLiveUpdate32::Row =
    Profile("SymantecLiveUpdate32", B)
        .Sources(
            {Hklm("SOFTWARE\\Symantec\\InstalledApps", "SPBBC").ReadOnly().KeepFolder("\\SPBBC"),
             Hklm("SOFTWARE\\Symantec\\SharedUsage", "LiveUpdate").ReadOnly()});

// The second component of the product names the vendor's shared fonts, which every Adobe
// program uses: it is not scanned.
const ProfileRow AdobeIllustratorCS2V12::Row =
    Profile("AdobeIllustratorCS2V12", C)
        .Sources({Hklm(ComponentKey("182EDFD62310A74498953DE40C0DFC04"),
                       "C80D5F2B97E7DCF4AA4F75DA53FF6010")
                      .ReadOnly(),
                  Hklm("SOFTWARE\\Adobe\\Adobe SVG Viewer\\3.02", "dir").ReadOnly()});

const ProfileRow TrendMicroIS2008::Row =
    Profile("TrendMicroIS2008", B)
        .Sources({Hklm("SOFTWARE\\TrendMicro\\NSC\\PFW", "InstallPath")
                      .KeepFolderAnyCase("\\Internet Security")});

const ProfileRow SigmaPlot11::Row =
    Profile("SigmaPlot11", B)
        .Sources({Hklm("SOFTWARE\\SYSTAT Software Inc.\\SigmaPlot\\11.0", "Installpath")});

const ProfileRow AshampooWinOptimizer45::Row =
    Profile("AshampooWinOptimizer45", C)
        .Sources({Hklm("SOFTWARE\\Ashampoo\\Ashampoo WinOptimizer 4", "AppDir").ReadOnly()});

const ProfileRow CachemanXP1701::Row =
    Profile("CachemanXP1701", NoSection)
        .Sources({Hklm("SYSTEM\\CurrentControlSet\\Services\\CachemanXPService", "ImagePath")
                      .ReadOnly()
                      .Cut("\\CachemanXP.exe")})
        .Fixed({DelKey(HKEY_LOCAL_MACHINE, UninstallKey("CachemanXP 1.7.0.1"))});

const ProfileRow MBElectionalAstrology14::Row =
    Profile("MBElectionalAstrology14", NoSection)
        .Fixed({DelKey(HKEY_LOCAL_MACHINE, UninstallKey("MB Electional Astrology"))});

const ProfileRow MSActiveSync4X::Row =
    Profile("MSActiveSync4X", C)
        .Sources({Hklm("SOFTWARE\\Microsoft\\Pegasus", "InstalledDir").ReadOnly(),
                  Hklm("SOFTWARE\\Classes\\CLSID\\{5C65DC2A-78E6-11D2-9852-00C04F8ECDC8}"
                       "\\InprocServer32",
                       "")
                      .ReadOnly()
                      .Cut("\\VCOMCtl.dll")});

const ProfileRow Fixit8::Row =
    Profile("Fixit8", C)
        .Sources(
            {Hklm("SOFTWARE\\Avanquest\\Fix-It\\CurrentVersion\\GlobalProperties", "InstallDir")});

const ProfileRow AcronisTrueImage11::Row =
    Profile("AcronisTrueImage11", C)
        .Sources({Hklm("SOFTWARE\\Acronis\\TrueImageHome\\Settings", "MainExePath")
                      .ReadOnly()
                      .Cut("\\TrueImage.exe"),
                  Hklm("SOFTWARE\\Acronis\\TrueImageHome\\Settings", "WorkingDir")
                      .ReadOnly()
                      .KeepFolder("\\TrueImageHome")});

const ProfileRow SweetIM::Row =
    Profile("SweetIM", B)
        .Sources(
            {Hklm("SOFTWARE\\SweetIM\\Messenger", "InstallDir")
                 .ReadOnly()
                 .KeepFolder("\\Messenger"),
             Hklm("SOFTWARE\\SweetIM\\Messenger", "DataDir").ReadOnly().KeepFolder("\\Messenger")});

const ProfileRow SpywareDetector::Row =
    Profile("SpywareDetector", B)
        .Sources({Hklm("SOFTWARE\\Spyware Detector", "AppFolder").ReadOnly()});

const ProfileRow Codecs5::Row =
    Profile("Codecs5", C)
        .Sources({Hklm("SOFTWARE\\Theorica Divx ;-) Codecs\\Avi Speed Info", "Path").ReadOnly()});

const ProfileRow FSecureIS2008::Row =
    Profile("FSecureIS2008", C)
        .Sources({Hklm("SOFTWARE\\Data Fellows\\F-Secure\\Uninstall", "InstallationDirectory")
                      .KeepFolderAnyCase("\\Uninstall")})
        .Extra(ExtraCommand::WinsockReset);

const ProfileRow SystemSuite8::Row =
    Profile("SystemSuite8", B)
        .Sources({Hklm("SOFTWARE\\Avanquest\\SystemSuite\\CurrentVersion\\GlobalProperties",
                       "InstallDir")})
        .Extra(ExtraCommand::WinsockReset);

const ProfileRow SonyEricssonPC32::Row =
    Profile("SonyEricssonPC32", B)
        .Sources({Hklm("SOFTWARE\\Sony Ericsson\\Sony Ericsson PC Suite", "MainPath")
                      .CutAnyCase("\\SEPCSuite.exe"),
                  Hklm("SOFTWARE\\BVRP Software\\LiveUpdate", "MainPath")});

const ProfileRow STOPzilla5::Row =
    Profile("STOPzilla5", B)
        .Sources({Hkcr("CLSID\\{98828DED-A591-462F-83BA-D2F62A68B8B8}\\InprocServer32", "")
                      .CutAnyCase("\\SZSG.dll")})
        .Extra(ExtraCommand::WinsockReset);

const ProfileRow StopSigneAcc::Row =
    Profile("StopSigneAcc", B)
        .Sources(
            {Hklm(kAccelerationProducts, "threatscanner_dir").KeepFolderAnyCase("\\Anti-Virus"),
             Hklm("SOFTWARE\\eAcceleration\\Station", "InstallPath").KeepFolderAnyCase("\\Station"),
             Hklm("SOFTWARE\\eAcceleration\\Installer", "InstallPath")
                 .KeepFolderAnyCase("\\INSTAL")})
        .Extra(ExtraCommand::WinsockReset);

const ProfileRow KasperskyInternetSecurityV7::Row =
    Profile("KasperskyInternetSecurityV7", C)
        .Sources({Hklm("SOFTWARE\\KasperskyLab\\SetupFolders", "KIS7").ReadOnly(),
                  Hklm("SOFTWARE\\KasperskyLab\\protected\\AVP7\\CKAHUM\\RebootSet", "Directory")
                      .ReadOnly()
                      .KeepFolder("\\AVP7\\Bases")})
        .After(RegisterScriptComponents);

const ProfileRow CopernicAgBa6::Row =
    Profile("CopernicAgBa6", C).Sources({Hklm("SOFTWARE\\Copernic\\Agent\\System", "RootFolder")});

const ProfileRow IEAntiVirus::Row =
    Profile("IEAntiVirus", NoSection)
        .Sources({Hkcu("Software\\IEAntiVirus", "Path")})
        .Fixed({DelKey(HKEY_LOCAL_MACHINE, UninstallKey("IE AntiVirus")),
                DelKey(HKEY_CURRENT_USER, "Software\\IEAntiVirus"),
                DelValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                         "antispy")});

const ProfileRow IncrediMail5::Row =
    Profile("IncrediMail5", C).Sources({Hklm("SOFTWARE\\IncrediMail", "InstallationPath")});

const ProfileRow DeskSpace15::Row =
    Profile("DeskSpace15", NoSection)
        .Sources({Hkcu(kUserUninstall, "UninstallString").CutAnyCase("\\uninst.exe")})
        .Fixed({DelKey(HKEY_CURRENT_USER, kUserUninstall)});

const ProfileRow NaomiWF::Row = Profile("NaomiWF", C)
                                    .Stops({Service("RdnaoFlSvc")})
                                    .Sources({Hklm(kRunKey, "wrna3ls").CutAnyCase("\\naomf.exe")});

const ProfileRow RailDriver1407::Row =
    Profile("RailDriver1407", B)
        .Sources({Hklm("SOFTWARE\\PI Engineering\\PIBUS", "RailDriver").CutAnyCase("\\Setup")});

const ProfileRow PhotoshopElem20::Row =
    Profile("PhotoshopElem20", B)
        .Sources(
            {Hklm("SOFTWARE\\Adobe\\Photoshop Elements\\2.0\\ApplicationPath", ""),
             Hklm("SOFTWARE\\Adobe\\Adobe Gamma", "Location").KeepFolderAnyCase("\\Calibration")});

const ProfileRow TrendAV2008::Row =
    Profile("TrendAV2008", B)
        .Sources({Hklm("SOFTWARE\\TrendMicro\\PC-cillin", "InstalledFolder")
                      .KeepFolderAnyCase("\\Internet Security")});

const ProfileRow AdobePhoCS3::Row =
    Profile("AdobePhoCS3", C)
        .Sources({FirstNonEmpty({std::string(kBridge) + "CS3\\Installer",
                                 std::string(kBridge) + "CS2\\Installer",
                                 std::string(kBridge) + "1.0\\Installer"},
                                "InstallPath")
                      .KeepFolderAnyCase("\\Adobe Bridge")});

const ProfileRow RADMIN2::Row =
    Profile("RADMIN2", NoSection)
        .Stops({Service("r_server")})
        .Sources({Hklm(UninstallKey("Remote Administrator v2.2"), "UninstallString")
                      .CutAnyCase("\\uninstal.exe")})
        .Fixed({DelWindowsFile("wininit.ini"), DelSystemFile("raddrv.dll"),
                DelSystemFile("r_server.exe"),
                DelKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\r_server"),
                DelKey(HKEY_LOCAL_MACHINE, UninstallKey("Remote Administrator v2.2"))});

const ProfileRow KasperskyAV5::Row =
    Profile("KasperskyAV5", C)
        .Stops({Service("kavsvc"), Service("Klif"), Service("Klmc")})
        .Sources({Hklm("SOFTWARE\\KasperskyLab\\InstalledProducts\\Kaspersky Anti-Virus Personal",
                       "Folder")})
        .Extra(ExtraCommand::WinsockReset);

const ProfileRow TweakUI::Row =
    Profile("TweakUI", NoSection)
        .Finder(FindTweakUIFile)
        .Fixed({DelKey(HKEY_LOCAL_MACHINE, UninstallKey("Tweak UI 2.10")),
                DelSystemFile("TweakUI.exe"), DelSystemFile("PowerToysLicense.rtf")});

const ProfileRow AdobeAudi30::Row =
    Profile("AdobeAudi30", C)
        .Sources({Hklm("SOFTWARE\\Adobe\\Audition\\3.0", "ApplicationPath")
                      .CutAnyCase("\\Audition.exe")});

const ProfileRow RealPlayer11::Row =
    Profile("RealPlayer11", B)
        .Sources(
            {Hkcr("Applications\\RealPlay.exe\\DefaultIcon", "").CutAnyCase("\\realplay.exe")});

const ProfileRow AdobeReader90::Row =
    Profile("AdobeReader90", C)
        .Sources({Hklm("SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\Installer", "Path")});

const ProfileRow DirectX9::Row = Profile("DirectX9", A).Mark("[DirecX9]").Finder(FindSectionFiles);

const ProfileRow UnitAol::Row =
    Profile("UnitAol", B)
        .Sources({Hklm("SOFTWARE\\America Online\\ieToolbar\\CurrentVersion", "AppPath")
                      .Then(StepKind::RemoveQuotes)});

const std::vector<const ProfileRow*>& AllProfiles() {
#define KU_PROFILE_ADDRESS(unit) &unit::Row,
    static const std::vector<const ProfileRow*> rows{KU_PROFILE_UNITS(KU_PROFILE_ADDRESS)};
#undef KU_PROFILE_ADDRESS
    return rows;
}

} // namespace ku::profiles
