#pragma once
// TEMPORARY: the report's run-time links the preview reads, until the report provides them.

class TfrxReport;
class TfrxPreviewLink;
class TfrxCustomPreviewPages;
class TfrxCustomEngine;

TfrxPreviewLink*& frxPreviewLinkOf(TfrxReport* report);
TfrxCustomPreviewPages* frxPreviewPagesOf(TfrxReport* report);
const TfrxCustomEngine* frxEngineOf(TfrxReport* report);
bool frxPrepareAgain(TfrxReport* report);
