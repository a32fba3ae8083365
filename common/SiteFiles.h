#pragma once

#include <QString>
#include <QtGlobal>

// What a previewed page may reach of the user's files, its resources and its "#include"s alike:
// the regular files of its site, at any depth. A file's site is the first-level folder of the
// home folder that holds it (~/Sites, ~/Downloads), or outside the home its second-level folder
// (/var/www); a file that lies higher up has only the files beside it. Below the site's folder,
// nothing whose name begins with "." is reached, and the program's own per-user folders never are.
struct TSite {
    QString Root;      // the site's folder, with its links resolved
    bool Flat = false; // only the files directly in Root, no subfolders
};

// The site of the file FileName (which need not exist).
TSite SiteOf(const QString& fileName);

// A file of a site, opened for reading.
struct TSiteFile {
    int Fd = -1;          // the open handle, owned by the caller; -1 when refused
    qint64 Size = 0;      // its size when opened
    QString Refusal;      // why it was refused, for a message: "it lies outside the site ..."
    bool Missing = false; // it could not be opened at all (Refusal then says why)
};

// Opens Path for reading without waiting (a FIFO or a device never blocks the caller) and
// refuses it unless the open handle is a regular file.
TSiteFile OpenRegularFile(const QString& path);

// Opens Path for reading and checks the open handle, not the name, so that nothing swapped in
// between the check and the open is read: the file must be regular and its real place a file of
// Site.
TSiteFile OpenSiteFile(const TSite& site, const QString& path);
