#include "Response.h"

#include "serveur/http/FluxContinu.h"

namespace serveur::http {

void Response::set_header(std::string nom, std::string valeur)
{
    headers.emplace_back(std::move(nom), std::move(valeur));
}

void Response::set_content(std::string corps, std::string type)
{
    body = std::move(corps);
    set_header("Content-Type", std::move(type));
}

void Response::set_source(std::shared_ptr<Source> contenu, std::string type)
{
    source = std::move(contenu);
    set_header("Content-Type", std::move(type));
}

void Response::set_flux(std::shared_ptr<FluxContinu> suite, std::string type)
{
    flux = std::move(suite);
    set_header("Content-Type", std::move(type));
}

void Response::set_redirect(const std::string& adresse, int statut)
{
    status = statut;
    set_header("Location", adresse);
}

} // namespace serveur::http
