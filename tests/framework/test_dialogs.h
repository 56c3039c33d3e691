#pragma once

// Dialog templates of the framework tests.
#define TEST_DIALOG_ID 100
#define TEST_DIALOG_NAME "NAMEDDIALOG"
#define TEST_EDIT_ID 201
#define TEST_MISSING_ITEM_ID 299
