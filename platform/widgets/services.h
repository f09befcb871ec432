#pragma once

#include "platform/portlist.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class CommPort;
class FileDialog;
class MessageBox;
class Printer;
class QWidget;

// Everything the windows need from the platform. The program uses defaultServices();
// tests replace single members with fakes.
struct Services
{
    std::function<std::unique_ptr<CommPort>()> makeCommPort;
    std::function<std::unique_ptr<FileDialog>(QWidget *parent)> makeFileDialog;
    std::function<std::unique_ptr<Printer>(QWidget *parent)> makePrinter;
    std::function<std::shared_ptr<MessageBox>(QWidget *parent)> makeMessageBox;
    // The serial ports for the Port menu; empty means listSerialPorts().
    std::function<QList<PortListEntry>()> listPorts;
    // The settings file; empty means the standard config location.
    QString settingsPath;
    // The folder holding Help.txt; empty means beside the executable (or share/orvo232
    // when installed).
    QString programFolder;
};

Services defaultServices();
QString defaultSettingsPath();
QString programFolder(const Services &services);
