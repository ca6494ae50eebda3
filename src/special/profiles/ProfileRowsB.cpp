// Profile table, second part: UnitiFinger to CoffeeCupHtml2008.
// Where a path was cut back to the folder that holds all of a vendor's products, the row keeps
// the product's own folder (KeepFolder) instead.
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileUnits.h"

namespace ku::profiles {

namespace {
const DataFile A = DataFile::CodeA, B = DataFile::CodeB, C = DataFile::CodeC;
const DataFile NoSection = DataFile::None;
const char kNti[] = "SOFTWARE\\NewTech Infosystems\\";
const char kInstalledApps[] = "SOFTWARE\\Symantec\\InstalledApps";
const char kSharedUsage[] = "SOFTWARE\\Symantec\\SharedUsage";
const char kGamma[] = "SOFTWARE\\Adobe\\Adobe Gamma";
} // namespace

const ProfileRow UnitiFinger::Row = Profile("UnitiFinger", C);

const ProfileRow UnitYahooMusicmatchJukebox10::Row =
    Profile("UnitYahooMusicmatchJukebox10", A)
        .Sources({Hklm("SOFTWARE\\Musicmatch\\Musicmatch Jukebox\\Save\\Path", "AppPath")
                      .KeepFolder("\\Musicmatch Jukebox")});

const ProfileRow Unitopera8::Row =
    Profile("Unitopera8", NoSection)
        .Sources({Hklm(UninstallKey("Opera"), "UninstallString").CutAnyCase("\\uninst")})
        .Fixed({DelKey(HKEY_CLASSES_ROOT, "ProcETServ.Malloc"),
                DelKey(HKEY_CURRENT_USER, "Software\\Opera Software"),
                DelKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\ProcETServ.Malloc"),
                DelKey(HKEY_LOCAL_MACHINE,
                       "SOFTWARE\\Microsoft\\MediaPlayer\\ShimInclusionList\\OPERA.EXE"),
                DelKey(HKEY_LOCAL_MACHINE, UninstallKey("Opera"))});

const ProfileRow UnitNTIBackupNOW47::Row =
    Profile("UnitNTIBackupNOW47", B)
        .Sources({Hklm(std::string(kNti) + "NTI Backup NOW! 4", "Directory")
                      .ReadOnly()
                      .KeepFolder("\\NTI Backup NOW! 4.7"),
                  Hklm(std::string(kNti) + "NTI Scheduler", "Directory")
                      .ReadOnly()
                      .KeepFolder("\\Scheduler")});

const ProfileRow UnitErrorSmart::Row =
    Profile("UnitErrorSmart", C)
        .Sources({Hklm("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\"
                       "S-1-5-18\\Products\\6C1C7D2126C279848B91303CD786F73E\\InstallProperties",
                       "InstallLocation")});

const ProfileRow Unitphotoshop70::Row =
    Profile("Unitphotoshop70", A)
        .Sources({Hklm("SOFTWARE\\Adobe\\Photoshop\\7.0", ""),
                  Hklm(kGamma, "Location").KeepFolderAnyCase("\\Calibration")});

const ProfileRow UnitLavasoftFirewall::Row =
    Profile("UnitLavasoftFirewall", B)
        .Sources({Hklm("SOFTWARE\\Lavasoft\\Personal Firewall\\General", "ConfigFileName")
                      .CutAnyCase("\\configuration1.cfg")});

const ProfileRow UnitNTICDAndDVDMaker70::Row =
    Profile("UnitNTICDAndDVDMaker70", B)
        .Sources({Hklm(std::string(kNti) + "NTI CD-MakerV7", "Directory")
                      .ReadOnly()
                      .KeepFolder("NTI CD & DVD-Maker 7"),
                  Hklm(std::string(kNti) + "NTI Scheduler", "Directory")
                      .ReadOnly()
                      .KeepFolder("\\Scheduler"),
                  Hklm("SOFTWARE\\Classes\\TypeLib\\{43B263FC-1D9A-4063-9ECF-EE76B9E5794A}\\1.0"
                       "\\HELPDIR",
                       "")
                      .ReadOnly()
                      .Cut("\\030625")});

// Two finders, run one after the other. The LeadTools folder is scanned as named: its "HP"
// folder holds every HP product.
const ProfileRow UnitHPOPL7680::Row =
    Profile("UnitHPOPL7680", B)
        .Sources({Hklm("SOFTWARE\\Hewlett-Packard\\{FE9B929E-3BAF-40B1-BFFC-3A078ABAA0C8}",
                       "InstallFolder")
                      .Then(StepKind::TrailingBackslash),
                  Hklm("SOFTWARE\\Hewlett-Packard\\DigitalImaging", "LeadToolsPath")
                      .Then(StepKind::TrailingBackslash)});

// The "ie8" folder below Windows is Internet Explorer 8's own (its uninstall data): the
// program names it here, and only here, so that the guard lets it be scanned and removed.
const ProfileRow UnitIE80::Row = Profile("UnitIE80", B)
                                     .Sources({WindowsFolder()
                                                   .Then(StepKind::KeepFirst, 2)
                                                   .Append("\\Program Files\\Internet Explorer"),
                                               OwnWindowsFolder("ie8")})
                                     .Fixed({DelWindowsFolder("ie8")});

const ProfileRow UnitOpenOffice22::Row = Profile("UnitOpenOffice22", A);
const ProfileRow UnitMacromediaFlashPlayer60::Row = Profile("UnitMacromediaFlashPlayer60", C);

const ProfileRow UnitCADeskMig2007::Row =
    Profile("UnitCADeskMig2007", C)
        .Stops({Service("CA_LIC_CLNT"), Service("IDriverT"), Service("LogWatch")});

const ProfileRow UnitSpywareDoctor55::Row =
    Profile("UnitSpywareDoctor55", C)
        .Sources({Hklm(UninstallKey("Spyware Doctor"), "InstallLocation"),
                  Hklm("SOFTWARE\\PCTools\\CommonFiles", "TDI").KeepFolderAnyCase("\\TDI")});

const ProfileRow UnitBitDefenderAntivirus2008::Row =
    Profile("UnitBitDefenderAntivirus2008", B)
        .Sources(
            {Hklm("SOFTWARE\\BitDefender\\BitDefender Desktop\\Maintenance\\Install", "InstallDir")
                 .ReadOnly()
                 .KeepFolder("\\BitDefender 2008"),
             Hklm("SOFTWARE\\BitDefender", "BitDefender Scan Server")
                 .ReadOnly()
                 .KeepFolder("\\BitDefender Threat Scanner")});

const ProfileRow Unitpmsetup::Row =
    Profile("Unitpmsetup", NoSection)
        .NoRun()
        .Sources({Hklm("SOFTWARE\\Google\\Google Toolbar\\Brokers\\CLSID",
                       "{442990C3-D71B-11DA-8750-001185653D78}")
                      .CutAnyCase("\\googletoolbar1.dll")});

const ProfileRow UnitSpySweeper52::Row =
    Profile("UnitSpySweeper52", A).Sources({Hklm("SOFTWARE\\Webroot\\SpySweeper", "id").AsRead()});
const ProfileRow UnitSpySweeper55::Row =
    Profile("UnitSpySweeper55", A).Sources({Hklm("SOFTWARE\\Webroot\\SpySweeper", "id").AsRead()});

const ProfileRow UnitAvastAntivirus48::Row =
    Profile("UnitAvastAntivirus48", B)
        .Sources({Hklm("SOFTWARE\\ALWIL Software\\Avast\\4.0", "Avast4ProgramFolder")
                      .ReadOnly()
                      .AsRead()});

const ProfileRow UnitFSoftMemManager::Row =
    Profile("UnitFSoftMemManager", NoSection)
        .Sources({Hklm(UninstallKey("FinitySoft Memory Manger"), "UninstallString")
                      .ReadOnly()
                      .CutAnyCase("\\uninst.exe")})
        .Fixed({DelKey(HKEY_LOCAL_MACHINE, UninstallKey("FinitySoft Memory Manger"))});

const ProfileRow UnitComodoAntiSpam2005::Row =
    Profile("UnitComodoAntiSpam2005", B)
        .Sources({Hklm("SOFTWARE\\Comodo\\ComodoAntiSpam", "Program Location")
                      .ReadOnly()
                      .KeepFolder("\\Comodo AntiSpam"),
                  Hklm("SOFTWARE\\Comodo\\ComodoAntiSpam", "Update Location")
                      .ReadOnly()
                      .KeepFolder("\\UpdateService")})
        .Extra(ExtraCommand::RegisterOleAut);

// The suite's folder from its tray program; the second reading of the same value named the
// vendor's SharedComponents folder, which every CA product uses, and is not scanned.
const ProfileRow UnitCAPlus2008::Row =
    Profile("UnitCAPlus2008", B)
        .Before(RegisterScriptEngines)
        .Sources({Hklm(kRunKey, "cctray").Then(StepKind::DropFirst, 1).CutAnyCase("\\cctray")});

const ProfileRow UnitPcSpeedscanPro12::Row =
    Profile("UnitPcSpeedscanPro12", C)
        .Sources({Hkcu("Software\\Ascentive\\PC SpeedScan Pro", "AppPath")
                      .ReadOnly()
                      .Cut("\\PCSpeedScan.exe"),
                  Hkcu("Software\\Ascentive\\Performance Center", "AppPath")
                      .ReadOnly()
                      .Cut("\\APCMain.exe")});

const ProfileRow UnitSymanClient10::Row =
    Profile("UnitSymanClient10", A)
        .Sources({Hklm(kInstalledApps, "SCS Install Directory"),
                  Hklm(kInstalledApps, "ConfigWizard")});

const ProfileRow unitAdobeReader50::Row =
    Profile("unitAdobeReader50", B)
        .Sources({Hklm("SOFTWARE\\Adobe\\Acrobat Reader\\5.0\\InstallPath", "")});

const ProfileRow UnitTuneUp2008::Row =
    Profile("UnitTuneUp2008", A).Sources({Hklm("SOFTWARE\\TuneUp\\Utilities\\7.0", "InstallPath")});

const ProfileRow UnitSunJavaSE6::Row =
    Profile("UnitSunJavaSE6", A)
        .Sources({Hklm("SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6", "JavaHome")});

const ProfileRow UnitCAPersonalFirewall::Row =
    Profile("UnitCAPersonalFirewall", B)
        .Sources(
            {Hklm("SOFTWARE\\CA\\CAPF", "InstallDir")
                 .ReadOnly()
                 .KeepFolder("\\CA Personal Firewall"),
             Hklm("SOFTWARE\\CA\\HIPSEngine", "InstallDir").ReadOnly().KeepFolder("\\HIPSEngine")});

const ProfileRow UnitNortonSystemWorks2008::Row =
    Profile("UnitNortonSystemWorks2008", A)
        .Sources({Hklm(kInstalledApps, "Norton Cleanup").ReadOnly().Cut("\\Norton Cleanup"),
                  Hklm(kSharedUsage, "LiveUpdate").ReadOnly().KeepFolder("\\LiveUpdate")})
        .AfterFinder(ListFoundFiles)
        .Extra(ExtraCommand::RegisterOleAut)
        .After(RestoreRecycleBinNames);

const ProfileRow UnitPCSecurity64::Row =
    Profile("UnitPCSecurity64", C)
        .Stops({Service("WINSEC"), Service("winser")})
        .Sources({Hklm("SOFTWARE\\tropsoft\\security", "WorkPath").ReadOnly()});

const ProfileRow UnitRegistryBooster2::Row =
    Profile("UnitRegistryBooster2", C)
        .Sources({Hklm(UninstallKey("RegistryBooster 2_is1"), "InstallLocation")
                      .ReadOnly()
                      .KeepFolder("\\RegistryBooster 2")});

const ProfileRow UnitTrojanHunter50::Row =
    Profile("UnitTrojanHunter50", C)
        .Sources(
            {Hklm("SOFTWARE\\Mischel Internet Security\\TrojanHunter\\CurrentVersion", "ExePath")
                 .ReadOnly()
                 .Cut("\\TrojanHunter.exe")});

const ProfileRow CyberDefender::Row =
    Profile("CyberDefender", C)
        .Sources({Hklm("SOFTWARE\\CyberDefender\\AntiSpyware\\Install Information", "path")
                      .KeepFolderAnyCase("\\AntiSpyware")});

const ProfileRow SymantecProtection11::Row =
    Profile("SymantecProtection11", B)
        .Sources({Hklm(kInstalledApps, "SAV Install Directory").ReadOnly(),
                  Hklm(kSharedUsage, "LiveUpdate").ReadOnly()});

const ProfileRow NEOPro::Row =
    Profile("NEOPro", C)
        .Sources({Hklm("SOFTWARE\\Caelo Software\\NEO Pro\\3.0\\Install", "Path").ReadOnly()});

const ProfileRow WinFax10::Row = Profile("WinFax10", A)
                                     .Sources({Hklm(UninstallKey("WinFax"), "UninstallString")
                                                   .Then(StepKind::DropFirst, 26)
                                                   .CutAnyCase("\\WFXUNIST.ISU")});

const ProfileRow WeatherDesk6::Row =
    Profile("WeatherDesk6", NoSection)
        .Sources({Hklm(UninstallKey("The Weather Channel Desktop 6"), "UninstallString")
                      .KeepFolderAnyCase("\\Desktop")})
        .Fixed({DelKey(HKEY_LOCAL_MACHINE,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\"
                       "The Weather Channel Desktop 6"),
                DelKey(HKEY_LOCAL_MACHINE, UninstallKey("The Weather Channel Desktop 6"))});

const ProfileRow CoffeeCupHtml2008::Row =
    Profile("CoffeeCupHtml2008", C)
        .Sources({Hklm("SOFTWARE\\CoffeeCup\\HTML Editor", "Install Location")
                      .CutAnyCase("\\coffee.exe")});

} // namespace ku::profiles
