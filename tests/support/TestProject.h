#pragma once
// A small install project that the model, engine and run tests share: an engine, a
// group, directories and files, no dialogs. The engine is stored after the directory
// that names it as its container, as authors' projects often do.
namespace qlry::test {

inline const char* const testProjectDescription = R"(object TestProject: TDataModule
  object psProgramFiles: TpsProgramFiles
  end
  object AppDir: TInstallDirectory
    Container = Install1
    Description = 'application'
    DestDir = '\Bin'
    DestDirType = psMainInstall
  end
  object Install1: TInstall
    DestDir = '\Test Product'
    DestDirType = psProgramFiles
    InstallTypes = [itFull, itDefault]
    RunAutomatic = False
    Information.CompanyName = 'Test Company'
    Information.ProductName = 'Test Product'
    Information.Version = '2.5'
  end
  object Group1: TInstallGroup
    Container = Install1
    Description = 'main group'
    DestDirType = psContainerDestDir
  end
  object DocsDir: TInstallDirectory
    Container = Group1
    Description = 'documentation'
    DestDir = '\Docs'
    DestDirType = psContainerDestDir
  end
  object ReadmeFile: TInstallFile
    Container = DocsDir
    FileName = 'readme.txt'
    DestName = 'readme.txt'
    DestDirType = psContainerDestDir
    IncludeFromDir = 'C:\source\docs'
    UniqueID = 7
  end
  object AppExe: TInstallFile
    Container = AppDir
    FileName = 'app.exe'
    DestName = 'app.exe'
    DestDirType = psContainerDestDir
    IncludeFromDir = 'C:\source\bin'
    InstallTypes = [itFull]
    UniqueID = 3
  end
  object CompactOnly: TInstallFile
    Container = AppDir
    FileName = 'mini.dll'
    DestName = 'mini.dll'
    DestDirType = psContainerDestDir
    IncludeFromDir = 'C:\source\bin'
    InstallTypes = [itCompact]
    UniqueID = 4
  end
end
)";

} // namespace qlry::test
