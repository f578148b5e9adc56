#!/usr/bin/env python3
"""Writes resources/catalogue/activities.json, the demo catalogue, from catalogue_sights.py.

The sights, their facts and the sentences below were written for Wayfarer. The output is
deterministic: run it again after editing the sights and commit both files.
"""
import hashlib
import json
import os
import sys
import uuid

sys.path.insert(0, os.path.dirname(__file__))
from catalogue_sights import CITIES  # noqa: E402

NAMESPACE = uuid.UUID("6f1c2a57-2d7e-4c41-9a58-3b0f4d1e9c20")

TITLES = {
    "landmark": ["{n}: skip-the-line tour", "{n}: entry ticket with audio guide", "{n}: guided tour in a small group", "{n}: priority access ticket"],
    "museum": ["{n}: skip-the-line ticket", "{n}: guided tour with an art historian", "{n}: timed entry ticket", "{n}: early access tour"],
    "religious": ["{n}: guided tour", "{n}: entry ticket and audio guide", "{n}: skip-the-line guided visit"],
    "tour": ["{n}", "{n}: walking tour with a local guide", "{n}: small-group tour", "{n}: private tour"],
    "food": ["{n}", "{n} with tastings", "{n} with a local host"],
    "show": ["{n}: tickets", "{n}: evening performance", "{n}: seated ticket"],
    "nature": ["{n}: day trip", "{n}: guided excursion", "{n}: half-day trip with transfer"],
    "park": ["{n}: entry ticket", "{n}: guided walk", "{n}: fast-track ticket"],
}

SECOND = {
    "landmark": ["Your guide brings the stones to life with the stories of the people who built and lived in them.", "Skip the ticket queue and spend your time inside, with an audio guide in your language.", "Walk at an easy pace with a licensed guide who knows the quiet corners as well as the famous views."],
    "museum": ["An expert guide leads you to the masterpieces and explains what to look for in each.", "Enter at your booked time without queueing and explore the collections as long as you like.", "Arrive before the crowds and see the main rooms while they are still quiet."],
    "religious": ["Modest dress is required: shoulders and knees covered.", "A guide explains the art, the symbols and the history of the building.", "Services may close parts of the building; visits resume right after."],
    "tour": ["A local guide shares stories, shortcuts and the best places to stop along the way.", "Groups are small, so there is time for questions and photographs.", "The route is easy on foot and ends close to public transport."],
    "food": ["Come hungry: tastings add up to a full meal.", "Vegetarian options are available when you book.", "Your host is a local who knows every stall owner by name."],
    "show": ["Arrive thirty minutes before the start; seats are allocated at the door.", "The performance lasts about ninety minutes with a short interval.", "Drinks are available before the show and during the interval."],
    "nature": ["Hotel pick-up and drop-off are included, with a guide on board.", "Wear comfortable shoes and bring water and a jacket.", "The programme may change with the weather; safety comes first."],
    "park": ["Paths are mostly flat and suitable for families.", "Bring a picnic or stop at the café inside the grounds.", "The gardens are at their best in spring and early autumn."],
}

THIRD = [
    "Free cancellation up to 24 hours in advance.",
    "Mobile tickets accepted.",
    "Wheelchair accessible.",
    "Not suitable for people with reduced mobility.",
    "Children under 6 go free.",
    "Instant confirmation.",
]

DAYS = ["Daily", "Daily", "Daily", "Mon-Sat", "Tue-Sun", "Mon-Fri", "Tue, Thu, Sat", "Wed-Mon", "Fri-Sun", "Mon, Wed, Fri", "Sat, Sun"]

BASE_PRICE = {"landmark": 25, "museum": 20, "religious": 15, "tour": 35, "food": 65, "show": 55, "nature": 85, "park": 14}


def pick(seq, key, salt):
    digest = hashlib.sha256((salt + key).encode()).digest()
    return seq[int.from_bytes(digest[:4], "big") % len(seq)]


def make():
    activities = []
    index = 0
    for city, country, continent, sights in CITIES:
        for name, category, fact in sights:
            key = city + "/" + name
            title = pick(TITLES[category], key, "title").format(n=name)
            description = " ".join([fact, pick(SECOND[category], key, "second"), pick(THIRD, key, "third")])
            factor = int.from_bytes(hashlib.sha256(("price" + key).encode()).digest()[:2], "big") / 65535
            amount = round(BASE_PRICE[category] * (0.7 + 1.1 * factor)) + pick([0, 0.5, 0.9, 0], key, "cents")
            record = {
                "uuid": str(uuid.uuid5(NAMESPACE, key)),
                "title": title,
                "description": description,
                "city": city,
                "country": country,
                "continent": continent,
                "category": category,
                "operational_days": pick(DAYS, key, "days"),
                "price_eur": round(amount, 2),
                "has_cover": True,
            }
            # About one record in twenty lacks something, as real catalogue data does.
            if index % 20 == 7:
                gap = (index // 20) % 3
                if gap == 0:
                    record.pop("price_eur")
                elif gap == 1:
                    record["has_cover"] = False
                else:
                    record.pop("description")
            activities.append(record)
            index += 1
    return activities


def main():
    out = os.path.join(os.path.dirname(__file__), "..", "resources", "catalogue", "activities.json")
    with open(out, "w", encoding="utf-8") as f:
        json.dump({"activities": make()}, f, ensure_ascii=False, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
