#pragma once
// The entry points of the Firebird client library, looked up when the library is loaded.
// ibase.h gives only their types: nothing is linked against the library.
#include <ibase.h>

#include <memory>
#include <string>
#include <vector>

namespace UnFirebird {

struct ClienteFirebird {
  decltype(&::isc_attach_database) isc_attach_database = nullptr;
  decltype(&::isc_detach_database) isc_detach_database = nullptr;
  decltype(&::isc_start_transaction) isc_start_transaction = nullptr;
  decltype(&::isc_commit_transaction) isc_commit_transaction = nullptr;
  decltype(&::isc_commit_retaining) isc_commit_retaining = nullptr;
  decltype(&::isc_rollback_transaction) isc_rollback_transaction = nullptr;
  decltype(&::isc_dsql_allocate_statement) isc_dsql_allocate_statement = nullptr;
  decltype(&::isc_dsql_prepare) isc_dsql_prepare = nullptr;
  decltype(&::isc_dsql_describe) isc_dsql_describe = nullptr;
  decltype(&::isc_dsql_execute) isc_dsql_execute = nullptr;
  decltype(&::isc_dsql_execute_immediate) isc_dsql_execute_immediate = nullptr;
  decltype(&::isc_dsql_fetch) isc_dsql_fetch = nullptr;
  decltype(&::isc_dsql_free_statement) isc_dsql_free_statement = nullptr;
  decltype(&::isc_open_blob2) isc_open_blob2 = nullptr;
  decltype(&::isc_get_segment) isc_get_segment = nullptr;
  decltype(&::isc_close_blob) isc_close_blob = nullptr;
  decltype(&::fb_interpret) fb_interpret = nullptr;
};

// Loads the first library of `nomes` that exists and looks up every entry point.
// Raises EIBClientError when no library loads or one lacks an entry point.
std::shared_ptr<ClienteFirebird> CarregaCliente(const std::vector<std::string>& nomes);

}  // namespace UnFirebird
