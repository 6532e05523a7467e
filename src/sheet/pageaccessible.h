#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// The page P1 as assistive tools see it: its printed lines (headings as
// headings) and its controls, in the order a reader goes down the page.
// An accessibility factory, installed by the page itself.
QAccessibleInterface* pageAccessible(const QString& className, QObject* object);
